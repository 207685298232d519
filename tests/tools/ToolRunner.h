#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace trevane::test {

struct ToolResult {
    int exitCode = -1;  // -1 when the program did not end normally
    std::string output; // standard output and standard error together, in the order written
};

// How to start a tool: the same conditions as the job runner gives it (standard input from
// /dev/null, output and errors through one pipe).
struct ToolRun {
    std::filesystem::path workingFolder;            // empty: the test's own
    std::map<std::string, std::string> environment; // added to or replacing the test's own
    // Run without the capabilities that let root read and search past permissions, so that a
    // file without read permission is unreadable to the tool as it is to any other user. The
    // tool itself stays reachable however closed the folders above the build are.
    bool withoutReadOverride = false;
};

ToolResult runTool(const std::string& program, const std::vector<std::string>& args,
                   const ToolRun& how = {});

// A temporary folder that removes itself (permissions restored first).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& relative) const { return m_path / relative; }

private:
    std::filesystem::path m_path;
};

// Writes `content` to `path`, creating its folders.
void writeFile(const std::filesystem::path& path, const std::string& content);
std::string readFile(const std::filesystem::path& path);
// Sets the modification (and access) time to `seconds` since the epoch, without following links.
void setTime(const std::filesystem::path& path, long long seconds);
// Every entry below `root`, as sorted relative paths; folders end in "/".
std::vector<std::string> listTree(const std::filesystem::path& root);

} // namespace trevane::test
