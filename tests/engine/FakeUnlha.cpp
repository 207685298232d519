// A stand-in for the archiver library in the runner's tests. It appends
// "<command line>|<output size>" and a line feed to the file named by TREVANE_FAKE_UNLHA_LOG,
// and returns 1 when the command line holds "FAIL", else 0.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    return std::strstr(commandLine, "FAIL") ? 1 : 0;
}
