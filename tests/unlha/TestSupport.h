#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace unlhatest {

// A fresh folder under $TMPDIR that is removed with everything in it.
class TempDir {
public:
    TempDir() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/unlha-test-XXXXXX";
        char* made = ::mkdtemp(pattern.data());
        m_path = made ? made : "";
    }
    ~TempDir() {
        // A folder left behind in the temporary folder fails no test.
        if (!m_path.empty()) {
            [[maybe_unused]] const int removed = std::system(
                ("chmod -R u+rwx '" + m_path + "' 2>/dev/null; rm -rf '" + m_path + "'").c_str());
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& rest) const { return m_path + "/" + rest; }

private:
    std::string m_path;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::string folder = path.substr(0, path.rfind('/'));
    std::filesystem::create_directories(folder);
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

struct RunResult {
    int code = -1;
    std::string output;
};

// Runs a shell command line, stdout and stderr together.
inline RunResult run(const std::string& command) {
    RunResult r;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline bool haveTool(const std::string& name) {
    return run("command -v " + name + " >/dev/null").code == 0;
}

// text (UTF-8) in code page 932, converted by the iconv program.
inline std::string cp932(const std::string& text) {
    return run("printf '%s' '" + text + "' | iconv -f UTF-8 -t CP932").output;
}

// Deterministic bytes that compress about as well as program code does.
inline std::string mixedBytes(size_t size, unsigned seed) {
    std::string out;
    out.reserve(size);
    uint32_t x = seed * 2654435761u + 1;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        if ((x >> 16) % 4 == 0 && out.size() > 64) {
            size_t back = 1 + (x >> 8) % std::min<size_t>(out.size(), 60000);
            size_t len = 3 + (x >> 3) % 40;
            for (size_t i = 0; i < len && out.size() < size; ++i)
                out.push_back(out[out.size() - back]);
        } else {
            out.push_back(
                static_cast<char>("etaoin shrdlu{};\n"[(x >> 20) % 17] + ((x >> 28) & 1)));
        }
    }
    return out;
}

} // namespace unlhatest
