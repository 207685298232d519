#include "engine/FatalReporter.h"

#include <cstdio>
#include <cstdlib>

namespace trevane {

std::string FatalReporter::message(std::string_view check, int line) {
    std::string text = "Assertion failed: ";
    text.append(check);
    text.append(", file BGCopyThread, line ");
    text.append(std::to_string(line));
    return text;
}

namespace {

class StandardFatalReporter : public FatalReporter {
public:
    void fail(std::string_view check, int line) override {
        const std::string text = message(check, line);
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
        // No destructors and no exit handlers: other threads may still be running.
        std::_Exit(4);
    }
};

} // namespace

FatalReporter& FatalReporter::standard() {
    static StandardFatalReporter reporter;
    return reporter;
}

} // namespace trevane
