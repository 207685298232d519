#include "Unlha.h"

#include "ArchiveUpdater.h"
#include "CommandLine.h"
#include "Extractor.h"
#include "SfxWriter.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <exception>
#include <thread>

namespace {

// The self-extractor program is installed beside this library.
std::string libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&Unlha), &info) == 0 || !info.dli_fname)
        return std::string();
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

unlha::Status run(const std::string& text, std::string& report) {
    using namespace unlha;
    CommandLine cmd;
    Status s = CommandLine::parse(text, cmd);
    if (!s.ok())
        return s;
    unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    switch (cmd.command) {
    case 'u':
    case 'a':
        return ArchiveUpdater(cmd, report, threads).add();
    case 'd':
        return ArchiveUpdater(cmd, report, threads).remove();
    case 's':
        return SfxWriter(libraryFolder() + "unlhasfx").write(cmd.archive, cmd.baseFolder, report);
    default:
        break;
    }
    Extractor::Options options;
    options.archive = archiveFileName(cmd.archive);
    options.target = cmd.baseFolder;
    options.patterns = cmd.files;
    options.keepFolders = cmd.command != 'e';
    options.overwrite = cmd.replaceAll;
    Extractor extractor(options, report);
    if (cmd.command == 't')
        return extractor.test();
    if (cmd.command == 'l')
        return extractor.list();
    return extractor.extract();
}

} // namespace

extern "C" int Unlha(void* hwnd, const char* cmdLine, char* output, uint32_t outputSize) {
    (void)hwnd;
    std::string report;
    int code = 0;
    try {
        unlha::Status s = cmdLine ? run(cmdLine, report)
                                  : unlha::Status(unlha::Code::BadCommand, "no command line");
        if (!s.ok()) {
            report += s.message() + "\n";
            code = static_cast<int>(s.code());
        }
    } catch (const std::exception& e) {
        // Nothing may escape a C entry point; out of memory is the likely cause.
        report += std::string("internal error: ") + e.what() + "\n";
        code = static_cast<int>(unlha::Code::Io);
    }
    if (output && outputSize > 0) {
        size_t n = std::min<size_t>(report.size(), outputSize - 1);
        std::memcpy(output, report.data(), n);
        output[n] = '\0';
    }
    return code;
}
