#include "Xcopy.h"
#include "XcopyCommandLine.h"

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char* argv[]) {
    const trevane::XcopyParseResult parsed =
        trevane::XcopyCommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::fprintf(stderr, "%s\n", parsed.error.c_str());
        return 4;
    }
    // Every folder level of the walk holds two descriptors open; allow deep trees.
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    static char buffer[64 * 1024];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    trevane::Xcopy xcopy(parsed.options, stdout, stderr);
    return xcopy.run();
}
