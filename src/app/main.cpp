#include "app/LoopGapMeter.h"
#include "app/Mainunit.h"
#include "app/StyleIcons.h"
#include "engine/CommandLineRun.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QStyle>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// Qt aborts with a terse message when it cannot reach a display; say plainly what to do.
bool displayAvailable() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return true;
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

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

int main(int argc, char* argv[]) {
    // Runs from the command line need no window and no display: decided before any of it.
    const auto request = trevane::CommandLineRequest::parse(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (request.mode != trevane::CommandLineRequest::Mode::Window)
        return trevane::runFromCommandLine(request, TREVANE_VERSION);

    trevane::SingleInstance instance("Trevan");
    if (!instance.isFirst())
        return 1;

    if (!displayAvailable()) {
        std::fputs(
            "Trevane のウインドウを表示する画面が見つかりません (DISPLAY が設定されていません)。\n"
            "仮想画面で起動してください:  xvfb-run -a trevane\n"
            "ウインドウなしでジョブを実行するには:  trevane --run ジョブファイル\n",
            stderr);
        return 2;
    }

    QApplication app(argc, argv);
    // No application display name: Qt would append it to every window title.
    QApplication::setApplicationName(QStringLiteral("Trevane"));
    QApplication::setApplicationVersion(QStringLiteral(TREVANE_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.trevane.Trevane"),
                                                 trevane::styleIcon(QStyle::SP_DriveHDIcon)));
    loadQtJapaneseTexts(app);

    std::optional<trevane::LoopGapMeter> loopGap; // reports at exit; for the job benchmark
    if (qEnvironmentVariableIsSet("TREVANE_LOOP_GAP"))
        loopGap.emplace();
    trevane::TMainForm form;
    QObject::connect(&form, &trevane::TMainForm::closed, &app, &QApplication::quit);
    form.showAtStartIfWanted();
    int code = app.exec();
    instance.release();
    return code == 0 ? 0 : code;
}
