#include "app/WindowModule.h"
#include "engine/CommandLineRun.h"
#include "platform/AppPaths.h"
#include "platform/DesktopNotifier.h"
#include "platform/DynamicLibrary.h"
#include "platform/InstanceChannel.h"
#include "platform/SingleInstance.h"

#include <QtGlobal>
#include <cstdio>
#include <string>

namespace {

// Qt aborts with a terse message when it cannot reach a display; say plainly what to do.
bool displayAvailable() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[]) {
    // Runs from the command line need no window and no display: decided before any of it.
    const auto request = trevane::CommandLineRequest::parse(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (request.mode != trevane::CommandLineRequest::Mode::Window)
        return trevane::runFromCommandLine(request, TREVANE_VERSION,
                                           trevane::DesktopNotifier::sessionBus().get());

    std::string openFile;
    if (!request.openFile.empty()) {
        std::string error;
        if (!trevane::jobFileToOpen(request.openFile, openFile, error)) {
            std::fprintf(stderr, "trevane: %s\n", error.c_str());
            return 2;
        }
    }

    const std::string folder = trevane::programFolder();
    trevane::SingleInstance instance("Trevan", folder);
    if (!instance.isFirst()) {
        // The window that runs shows itself and opens the job file. A start that only asked
        // for the window still ends with 1; a job file handed over is done as asked (0).
        const bool handedOver = trevane::sendInstanceRequest(
            trevane::instanceSocketPath("Trevan", folder),
            openFile.empty() ? trevane::InstanceRequest::Show
                             : trevane::InstanceRequest::OpenPrefix + openFile,
            5000);
        if (openFile.empty())
            return 1;
        if (!handedOver)
            std::fputs("trevane: 起動している Trevane にジョブファイルを渡せませんでした。\n",
                       stderr);
        return handedOver ? 0 : 1;
    }

    if (!displayAvailable()) {
        std::fputs(
            "Trevane のウインドウを表示する画面が見つかりません (DISPLAY が設定されていません)。\n"
            "仮想画面で起動してください:  xvfb-run -a trevane\n"
            "ウインドウなしでジョブを実行するには:  trevane --run ジョブファイル\n",
            stderr);
        return 2;
    }

    const std::string module = trevane::helperFolder() + '/' + trevane::kWindowModuleFile;
    std::string error;
    // Bound at first call: binding every call of the widget libraries' own dependencies up
    // front would cost about a millisecond of start-up. Kept loaded to the end: what it
    // registered with the Qt libraries points into it.
    const auto library = trevane::DynamicLibrary::open(
        module, &error, {.bindAtFirstCall = true, .keepLoaded = true});
    auto entry =
        library ? reinterpret_cast<trevane::WindowEntry>(library->symbol(trevane::kWindowEntryName))
                : nullptr;
    if (!entry) {
        std::fprintf(stderr, "Trevane のウインドウの部品を読み込めません: %s\n%s\n", module.c_str(),
                     library ? "入口が見つかりません" : error.c_str());
        return 2;
    }
    const int code = entry(argc, argv);
    instance.release();
    return code;
}
