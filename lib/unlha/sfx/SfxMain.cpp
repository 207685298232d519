// The self-extracting program: finds the archive appended to itself and extracts it into
// the current folder under the same safety rules as the library, naming what it writes. A file
// already there that is newer than its member, or read-only, is kept (exit code 10) unless the
// program is started with -c.
#include "ArchiveUpdater.h"
#include "Extractor.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    std::string report;
    unlha::Extractor::Options options;
    options.archive = "/proc/self/exe";
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != "-c") {
            std::fprintf(
                stderr,
                "使い方: %s [-c]  (-c: 新しいファイルや読み取り専用のファイルも上書きします)\n",
                argv[0]);
            return 2;
        }
        options.overwrite = true;
    }
    unlha::Status s = unlha::Extractor(options, report).extract();
    std::fputs(report.c_str(), stdout);
    if (!s.ok()) {
        std::fprintf(stderr, "%s\n", s.message().c_str());
        return s.code() == unlha::Code::Kept ? 10 : 1;
    }
    return 0;
}
