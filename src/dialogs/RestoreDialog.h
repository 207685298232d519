#pragma once

#include "engine/BackupMembers.h"

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace trevane {

// The restore window: what to restore from (an archive or a copy's folder), its members as a
// folder tree with sizes and times, the folder to restore into, the overwrite box, a progress
// bar and a summary line. It holds no rules: the buttons only tell the controller, which lists
// and restores and shows the outcome here. While busy the commands are disabled and the window
// cannot be closed.
class RestoreDialog : public QDialog {
    Q_OBJECT

public:
    explicit RestoreDialog(QWidget* parent = nullptr);

    QString from() const;
    void setFrom(const QString& path);
    QString target() const;
    void setTarget(const QString& folder);
    bool overwrite() const;

    // Replaces the tree: one item per member, under items for its folders.
    void showMembers(const std::vector<BackupMember>& members);
    // What a restore would do with each member, by path (a blank text for a plain restore), in
    // the last column: shown before anything is written.
    void showDecisions(const QHash<QString, QString>& byPath);
    // The paths of the selected items; an item whose folder is selected too is left out.
    QStringList selectedPaths() const;

    void setBusy(bool busy);
    void showProgress(qint64 done, qint64 total);
    void showSummary(const QString& text);

signals:
    // The user chose another archive or folder (a browse button, or Enter in the field).
    void fromChosen();
    // The overwrite box or the target changed: the decisions shown are stale.
    void decisionsWanted();
    void restoreAllClicked();
    void restoreSelectedClicked();

protected:
    void reject() override;

private:
    QLineEdit* m_from = nullptr;
    QLineEdit* m_target = nullptr;
    QTreeWidget* m_members = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_summary = nullptr;
    QList<QPushButton*> m_commands;
    bool m_busy = false;
};

} // namespace trevane
