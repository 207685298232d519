#include "app/DocumentDialogs.h"

#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "platform/TextCodec.h"

namespace trevane {

QString jobFileFilter() {
    return QStringLiteral("ｺﾋﾟｰ設定ﾌｧｲﾙ(*.cpl)");
}

JobDocument::Dialogs documentDialogs(QWidget* parent) {
    JobDocument::Dialogs dialogs;
    dialogs.askSaveChanges = [parent] {
        switch (MessageBox::question(
            parent, QStringLiteral("編集中のジョブファイルが保存されていません。\n保存しますか"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
        case QMessageBox::Yes:
            return JobDocument::Answer::Yes;
        case QMessageBox::No:
            return JobDocument::Answer::No;
        default:
            return JobDocument::Answer::Cancel;
        }
    };
    dialogs.chooseSavePath = [parent](const std::string& proposed) -> std::optional<std::string> {
        QString chosen =
            FileDialogs::saveFile(parent, QStringLiteral("CPLフォルダに保存してください"),
                                  toQString(proposed), jobFileFilter(), QStringLiteral("cpl"));
        if (chosen.isEmpty())
            return std::nullopt;
        return toBytes(chosen);
    };
    dialogs.warn = [parent](const std::string& message) {
        MessageBox::warning(parent, toQString(message));
    };
    dialogs.confirm = [parent](const std::string& question) {
        return MessageBox::question(parent, toQString(question),
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    return dialogs;
}

} // namespace trevane
