#include "app/DocScreenshot.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

namespace trevane {

namespace {

// Long enough for a dialog to open and be painted on a virtual display.
constexpr int kStepDelayMs = 700;

QWidget* activeWindow(QWidget& mainWindow) {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return &mainWindow;
}

struct Shot {
    QWidget& main;
    QString file;
    QStringList steps;
    int next = 0;

    void take() {
        QWidget* window = activeWindow(main);
        QWidget* part = window;
        if (!steps.isEmpty() && steps.last().startsWith(QLatin1Char('#'))) {
            const QString name = steps.last().mid(1);
            part = window->objectName() == name ? window : window->findChild<QWidget*>(name);
            if (part == nullptr)
                part = main.findChild<QWidget*>(name);
        }
        if (part == nullptr || !part->grab().save(file, "PNG"))
            std::fprintf(stderr, "trevane: no picture for %s\n", qPrintable(file));
        QApplication::exit(part != nullptr ? 0 : 1);
    }

    // The step may open a modal dialog and return only when it closes: the next step is due
    // before it is taken.
    void step(const std::shared_ptr<Shot>& self) {
        if (next >= steps.size() || steps[next].startsWith(QLatin1Char('#'))) {
            take();
            return;
        }
        const QString what = steps[next++];
        QTimer::singleShot(kStepDelayMs, &main, [self] { self->step(self); });
        QWidget* window = activeWindow(main);
        if (const qsizetype eq = what.indexOf(QLatin1Char('=')); eq > 0) {
            if (auto* tabs = window->findChild<QTabWidget*>(what.left(eq)))
                tabs->setCurrentIndex(what.mid(eq + 1).toInt());
        } else if (auto* action = main.findChild<QAction*>(what); action && window == &main) {
            action->trigger();
        } else if (auto* button = window->findChild<QAbstractButton*>(what)) {
            button->click();
        }
    }
};

} // namespace

void scheduleDocScreenshot(QWidget& mainWindow) {
    const QString file = qEnvironmentVariable("TREVANE_SCREENSHOT");
    if (file.isEmpty())
        return;
    auto shot = std::make_shared<Shot>(Shot{mainWindow, file,
                                            qEnvironmentVariable("TREVANE_SCREENSHOT_STEPS")
                                                .split(QLatin1Char('>'), Qt::SkipEmptyParts)});
    QTimer::singleShot(kStepDelayMs, &mainWindow, [shot] { shot->step(shot); });
}

} // namespace trevane
