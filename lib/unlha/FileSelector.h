#pragma once

#include "NamePattern.h"
#include "Status.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace unlha {

// A file, folder or symbolic link on disk that is to go into an archive.
struct SourceEntry {
    std::string diskPath;    // as open() takes it
    std::string archivePath; // member path, "/" between folders, no trailing "/"
    struct stat info {};
    std::string linkTarget; // for symbolic links
};

// Finds the files a command names below its base folder. Patterns are file names, folder
// names or wildcards relative to the base folder; none means every file. With keepFolders
// the search goes into subfolders and member paths keep their folders (and every folder
// becomes a member, so empty ones survive); without it only the base folder's own files are
// taken and stored under their bare names.
class FileSelector {
public:
    // skip, when it names an existing file, is left out (the archive being written).
    FileSelector(std::string baseFolder, bool keepFolders, const std::string& skip);

    // Code::NotFound for a missing base folder or a named file that is not there.
    // The entries come in a stable order, folders before their contents, and without
    // duplicate member paths.
    Status select(const std::vector<std::string>& patterns, std::vector<SourceEntry>& out);

private:
    [[nodiscard]] Status walk(const std::string& diskFolder, const std::string& archiveFolder,
                              const trevane::NamePattern& pattern, bool recurse,
                              bool folderEntries, std::vector<SourceEntry>& out);
    bool take(const std::string& diskPath, const std::string& archivePath, const struct stat& st,
              std::vector<SourceEntry>& out);

    std::string m_base;
    bool m_keepFolders;
    dev_t m_skipDev = 0;
    ino_t m_skipIno = 0;
    bool m_haveSkip = false;
};

} // namespace unlha
