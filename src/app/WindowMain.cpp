#include "app/DocScreenshot.h"
#include "app/LoopGapMeter.h"
#include "app/Mainunit.h"
#include "app/SecondStartServer.h"
#include "app/StyleIcons.h"
#include "app/WindowModule.h"
#include "engine/CommandLineRun.h"
#include "platform/AppPaths.h"
#include "platform/InstanceChannel.h"
#include "platform/StopSignals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QTranslator>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// Qt's own texts (standard buttons, file dialogs) in Japanese like the rest of the program,
// whatever the locale; without Debian's translations they stay English.
void loadQtJapaneseTexts(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int trevane_window_main(int argc, char* argv[]) {
    static_assert(std::is_same_v<decltype(&trevane_window_main), trevane::WindowEntry>);
    // The job file to open, before the toolkit takes its options out of argv and before the
    // window makes the job-file folder the current one; the program has checked it.
    std::string openFile, error;
    const auto request = trevane::CommandLineRequest::parse(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (!request.openFile.empty())
        (void)trevane::jobFileToOpen(request.openFile, openFile, error);
    QApplication app(argc, argv);
    // No application display name: Qt would append it to every window title.
    QApplication::setApplicationName(QStringLiteral("Trevane"));
    QApplication::setApplicationVersion(QStringLiteral(TREVANE_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    // The desktop (a dock, a task switcher, Wayland) matches the window to its menu entry and
    // icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.trevane.Trevane"));
    QApplication::setWindowIcon(trevane::programIcon());
    loadQtJapaneseTexts(app);

    std::optional<trevane::LoopGapMeter> loopGap; // reports at exit; for the job benchmark
    if (qEnvironmentVariableIsSet("TREVANE_LOOP_GAP"))
        loopGap.emplace();
    // The desktop ends a program that lives in the tray by a stop signal (logout, shutdown,
    // a closed terminal) or, with a session manager, by asking it to save its data; either way
    // the settings are saved as closing saves them. Taken over before the window is built, so a
    // signal that comes while it is built counts too; a second one ends the program at once.
    trevane::StopSignals stopSignals;
    trevane::TMainForm form;
    QObject::connect(&form, &trevane::TMainForm::closed, &app, &QApplication::quit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form] { (void)form.SaveSettings(); });
    std::optional<QSocketNotifier> stopped;
    if (trevane::StopSignals::notifier() >= 0) {
        stopped.emplace(trevane::StopSignals::notifier(), QSocketNotifier::Read);
        QObject::connect(&*stopped, &QSocketNotifier::activated, &form, [&form, &stopped] {
            stopped->setEnabled(false);
            form.endSession();
        });
    }
    // A second start shows this window (and opens its job file) instead of a second one.
    trevane::SecondStartServer secondStarts(form);
    (void)secondStarts.listen(trevane::instanceSocketPath("Trevan", trevane::programFolder()));
    form.showAtStartIfWanted();
    if (!openFile.empty())
        secondStarts.showAndOpen(openFile);
    trevane::scheduleDocScreenshot(form);
    const int code = app.exec();
    if (const int signal = trevane::StopSignals::received())
        return 128 + signal;
    return code == 0 ? 0 : code;
}
