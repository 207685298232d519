#pragma once

#include <QString>

class QWidget;

namespace trevane {

// The file open and save dialogs of the program. Like MessageBox, tests prepare the next
// answer (a path, or an empty text for Cancel) and no dialog is shown.
class FileDialogs {
public:
    // filter in Qt's form, e.g. "ｺﾋﾟｰ設定ﾌｧｲﾙ(*.cpl)"; defaultSuffix without the dot.
    static QString openFile(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter, const QString& defaultSuffix);
    // Asks before an existing file is replaced.
    static QString saveFile(QWidget* parent, const QString& title, const QString& proposedPath,
                            const QString& filter, const QString& defaultSuffix);
    static QString chooseFolder(QWidget* parent, const QString& title, const QString& folder);

    static void setNextAnswer(const QString& path);
    static int pendingAnswers();
    static QString lastTitle();
};

} // namespace trevane
