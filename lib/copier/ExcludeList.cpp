#include "ExcludeList.h"

#include "FileSystem.h"

#include <algorithm>
#include <sstream>

namespace trevane {

namespace {

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

} // namespace

bool ExcludeList::load(const std::vector<std::string>& files, std::string& error) {
    for (const auto& file : files) {
        // A list is never a FIFO to wait on, nor larger than any list a person writes.
        std::string bytes;
        if (readRegularFile(file, bytes, 64u << 20) != 0) {
            error = "ファイルを読み取れません - " + file;
            return false;
        }
        std::istringstream in(bytes);
        std::string line;
        for (bool first = true; std::getline(in, line); first = false) {
            // Windows editors may start a UTF-8 file with a byte order mark.
            if (first && line.rfind("\xEF\xBB\xBF", 0) == 0)
                line.erase(0, 3);
            // Lists written on Windows end their lines with CR LF.
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
                line.pop_back();
            if (!line.empty())
                m_texts.push_back(lowered(line));
        }
        if (in.bad()) {
            error = "ファイルを読み取れません - " + file;
            return false;
        }
    }
    return true;
}

bool ExcludeList::excludes(std::string_view absolutePath) const {
    if (m_texts.empty())
        return false;
    const std::string path = lowered(absolutePath);
    return std::any_of(m_texts.begin(), m_texts.end(), [&](const std::string& text) {
        return path.find(text) != std::string::npos;
    });
}

} // namespace trevane
