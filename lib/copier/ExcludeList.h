#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The /EXCLUDE lists: every non-empty line of every list file is a text; a file or folder is
// left out when its absolute path (a folder's with a trailing "/") contains one of the texts,
// ASCII letters compared without regard to case. So "/obj/" leaves out every folder named obj
// and ".o" every object file.
class ExcludeList {
public:
    // Reads the list files; false with `error` naming the first file that cannot be read.
    bool load(const std::vector<std::string>& files, std::string& error);

    bool excludes(std::string_view absolutePath) const;
    bool empty() const { return m_texts.empty(); }

private:
    std::vector<std::string> m_texts; // lower-cased
};

} // namespace trevane
