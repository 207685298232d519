#include "dialogs/FileDialogs.h"

#include <QFileDialog>
#include <deque>

namespace trevane {

namespace {
std::deque<QString>& answers() {
    static std::deque<QString> queue;
    return queue;
}
QString& title() {
    static QString text;
    return text;
}

bool takePrepared(const QString& dialogTitle, QString& answer) {
    title() = dialogTitle;
    if (answers().empty())
        return false;
    answer = answers().front();
    answers().pop_front();
    return true;
}
} // namespace

QString FileDialogs::openFile(QWidget* parent, const QString& dialogTitle, const QString& folder,
                              const QString& filter, const QString& defaultSuffix) {
    QString answer;
    if (takePrepared(dialogTitle, answer))
        return answer;
    QFileDialog dialog(parent, dialogTitle, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString FileDialogs::saveFile(QWidget* parent, const QString& dialogTitle,
                              const QString& proposedPath, const QString& filter,
                              const QString& defaultSuffix) {
    QString answer;
    if (takePrepared(dialogTitle, answer))
        return answer;
    QFileDialog dialog(parent, dialogTitle, proposedPath, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(proposedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString FileDialogs::chooseFolder(QWidget* parent, const QString& dialogTitle,
                                  const QString& folder) {
    QString answer;
    if (takePrepared(dialogTitle, answer))
        return answer;
    return QFileDialog::getExistingDirectory(parent, dialogTitle, folder);
}

void FileDialogs::setNextAnswer(const QString& path) { answers().push_back(path); }
int FileDialogs::pendingAnswers() { return static_cast<int>(answers().size()); }
QString FileDialogs::lastTitle() { return title(); }

} // namespace trevane
