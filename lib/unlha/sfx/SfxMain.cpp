// The self-extracting program: finds the archive appended to itself and extracts it into
// the current folder under the same safety rules as the library, naming what it writes.
#include "ArchiveUpdater.h"
#include "Extractor.h"

#include <cstdio>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::string report;
    unlha::Extractor::Options options;
    options.archive = "/proc/self/exe";
    unlha::Status s = unlha::Extractor(options, report).extract();
    std::fputs(report.c_str(), stdout);
    if (!s.ok()) {
        std::fprintf(stderr, "%s\n", s.message().c_str());
        return 1;
    }
    return 0;
}
