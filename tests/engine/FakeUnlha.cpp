// A stand-in for the archiver library in the runner's tests. It appends
// "<command line>|<output size>" and a line feed to the file named by TREVANE_FAKE_UNLHA_LOG,
// and returns 1 when the command line holds "FAIL" (with two lines of output when it holds
// "FAIL-SAYS-WHY"), else 0. A successful
// "u" whose archive path (the first quoted argument) is absolute leaves a file there holding "new
// archive".
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" __attribute__((visibility("default"))) int Unlha(void* window, const char* commandLine,
                                                            char* output, std::uint32_t size) {
    if (window != nullptr || output == nullptr)
        return 2;
    if (const char* path = std::getenv("TREVANE_FAKE_UNLHA_LOG")) {
        if (std::FILE* f = std::fopen(path, "ab")) {
            std::fprintf(f, "%s|%u\n", commandLine, static_cast<unsigned>(size));
            std::fclose(f);
        }
    }
    std::memset(output, 0, size);
    if (std::strstr(commandLine, "FAIL")) {
        if (std::strstr(commandLine, "FAIL-SAYS-WHY"))
            std::snprintf(output, size, "cannot read FAIL\n1 file left out\n");
        return 1;
    }
    if (std::strncmp(commandLine, "u \"/", 4) == 0) {
        std::string archive(commandLine + 3);
        archive.resize(archive.find('"'));
        if (std::FILE* f = std::fopen(archive.c_str(), "wb")) {
            std::fputs("new archive", f);
            std::fclose(f);
        }
    }
    return 0;
}
