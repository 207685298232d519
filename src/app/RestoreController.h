#pragma once

#include "dialogs/RestoreDialog.h"
#include "jobs/JobTable.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QThread;
class QWidget;

namespace trevane {

class JobDocument;
class JobGrid;

// The restore command: opens the restore window on the backup of the job table's current row,
// lists the backup's members and restores them, both on a worker thread so that the window
// stays responsive, and shows the outcome in the window and errors in message boxes.
//
// The document, the grid and the window must outlive the controller. Destroying it waits for
// a restore that runs.
class RestoreController : public QObject {
    Q_OBJECT

public:
    RestoreController(const JobDocument& doc, JobGrid& grid, QWidget& window,
                      QObject* parent = nullptr);
    ~RestoreController() override;

    // What a job row's backup is and where it came from: for an archive row the archive in the
    // destination folder (the newest of those its date-time stamp names), for a copy row the
    // destination folder; to is the row's source folder. from is empty when there is no backup
    // to name (no destination, or no archive made yet). A source or destination cell that a run
    // refuses as not absolute leaves its field empty and gives the run's line in refused.
    struct RowBackup {
        QString from;
        QString to;
        QStringList refused;
    };
    static RowBackup rowBackup(const JobTable& table, int row);

    // The open restore window, or nullptr.
    RestoreDialog* dialog() const { return m_dialog; }

public slots:
    void RestoreClick();

private:
    // Lists the backup and shows what restoring everything would do with each member.
    void listMembers();
    // Shows the decisions again (the overwrite box or the target changed).
    void showDecisions();
    // A restorer for the window's backup, target and box: of everything or of the selection.
    std::shared_ptr<class Restorer> restorerForWindow(bool selectedOnly) const;
    // Decides on a worker, asks before overwriting, then runs the restore.
    void startRestore(bool selectedOnly);
    void runRestore(std::shared_ptr<class Restorer> restorer);
    // Runs work on a worker thread, then done on this object's thread (unless the window has
    // gone by then).
    void inBackground(std::function<void()> work, std::function<void()> done);

    const JobDocument& m_doc;
    JobGrid& m_grid;
    QWidget& m_window;
    QPointer<RestoreDialog> m_dialog;
    QThread* m_worker = nullptr;
};

} // namespace trevane
