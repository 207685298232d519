#include "app/RestoreController.h"

#include "app/JobGrid.h"
#include "app/JobTableModel.h"
#include "dialogs/MessageBox.h"
#include "dialogs/Restoreunit.h"
#include "engine/JobCommands.h"
#include "engine/Restorer.h"
#include "engine/UnlhaLibrary.h"
#include "jobs/JobDocument.h"
#include "jobs/JobRow.h"
#include "platform/AppPaths.h"
#include "platform/ProcessSpawner.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <memory>

namespace trevane {

namespace {

// Problems beyond these are left to the summary's count.
constexpr int kProblemsShown = 20;

QString problemText(const QString& lead, const std::vector<std::string>& problems) {
    QString text = lead;
    for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i)
        text += QLatin1Char('\n') + toQString(problems[i]);
    if (problems.size() > kProblemsShown)
        text += QStringLiteral("\nほか %1 件").arg(problems.size() - kProblemsShown);
    return text;
}

} // namespace

RestoreController::RestoreController(const JobDocument& doc, JobGrid& grid, QWidget& window,
                                     QObject* parent)
    : QObject(parent), m_doc(doc), m_grid(grid), m_window(window) {}

RestoreController::~RestoreController() {
    // The worker posts to this object only through queued calls, which its end discards: a
    // plain wait cannot deadlock.
    if (m_worker)
        m_worker->wait();
}

RestoreController::RowBackup RestoreController::rowBackup(const JobTable& table, int row) {
    const PathConventions conv = PathConventions::native();
    // The row as a run reads it: cells without blanks around them, "~" the home folder.
    const JobRow cells = JobRow::fromTableRow(table.row(row));
    const std::string dst = typedFolder(cells.destination);
    const std::string& archive = cells.archive;
    RowBackup backup{QString(), toQString(typedFolder(cells.source))};
    if (dst.empty() || archive.empty()) {
        backup.from = toQString(dst);
        return backup;
    }
    // The date-time stamp "%t" makes a name per run: the newest of them is the one to restore.
    const std::string file = JobCommands::archiveFile(
        conv, conv.withTrailingSeparator(dst) + JobCommands::stampArchiveName(archive, "*"));
    const QFileInfo pattern(toQString(file));
    if (!pattern.fileName().contains(QLatin1Char('*'))) {
        backup.from = pattern.filePath();
        return backup;
    }
    const QFileInfoList found =
        QDir(pattern.path()).entryInfoList({pattern.fileName()}, QDir::Files, QDir::Time);
    if (!found.isEmpty())
        backup.from = found.first().filePath();
    return backup;
}

void RestoreController::RestoreClick() {
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    const QModelIndex current = m_grid.currentIndex();
    const RowBackup backup =
        rowBackup(m_doc.table(), current.isValid() ? JobTableModel::tableRow(current) : 1);
    m_dialog = new TRestoreDlg(&m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setFrom(backup.from);
    m_dialog->setTarget(backup.to);
    connect(m_dialog, &TRestoreDlg::fromChosen, this, &RestoreController::listMembers);
    connect(m_dialog, &TRestoreDlg::restoreAllClicked, this, [this] { startRestore(false); });
    connect(m_dialog, &TRestoreDlg::restoreSelectedClicked, this, [this] { startRestore(true); });
    m_dialog->open();
    if (!backup.from.isEmpty())
        listMembers();
}

void RestoreController::listMembers() {
    const std::string from = toBytes(m_dialog->from());
    if (from.empty() || m_worker)
        return;
    m_dialog->setBusy(true);
    auto listing = std::make_shared<BackupListing>();
    inBackground(
        [from, listing] {
            UnlhaLibrary archiver(UnlhaLibrary::beside(helperFolder()));
            *listing = listBackupMembers(archiver, from);
        },
        [this, from, listing] {
            m_dialog->showMembers(listing->members);
            if (listing->status == BackupListing::Status::Missing)
                MessageBox::warning(m_dialog,
                                    QStringLiteral("復元元が見つかりません: ") + toQString(from));
            else if (listing->status == BackupListing::Status::Damaged)
                MessageBox::warning(
                    m_dialog, QStringLiteral("書庫の途中までしか読めませんでした: ") +
                                  toQString(from) + QLatin1Char('\n') + toQString(listing->error));
            else if (listing->status == BackupListing::Status::Failed)
                MessageBox::warning(m_dialog, QStringLiteral("書庫を読めませんでした: ") +
                                                  toQString(from) + QLatin1Char('\n') +
                                                  toQString(listing->error));
        });
}

void RestoreController::startRestore(bool selectedOnly) {
    if (m_worker)
        return;
    RestoreRequest request{
        toBytes(m_dialog->from()), toBytes(m_dialog->target()), {}, m_dialog->overwrite(), true};
    if (selectedOnly)
        for (const QString& path : m_dialog->selectedPaths())
            request.names.push_back(toBytes(path));
    QString missing;
    if (request.from.empty())
        missing = QStringLiteral("復元元の書庫かフォルダを指定してください");
    else if (request.to.empty())
        missing = QStringLiteral("復元先のフォルダを指定してください");
    else if (selectedOnly && request.names.empty())
        missing = QStringLiteral("復元するファイルかフォルダを選んでください");
    if (!missing.isEmpty()) {
        MessageBox::warning(m_dialog, missing);
        return;
    }
    m_dialog->setBusy(true);
    auto result = std::make_shared<RestoreResult>();
    inBackground(
        [this, request, result] {
            UnlhaLibrary archiver(UnlhaLibrary::beside(helperFolder()));
            const auto spawner = ProcessSpawner::createNative(helperFolder());
            *result = Restorer(archiver, *spawner)
                          .restore(request, [this](std::uint64_t done, std::uint64_t total) {
                              QMetaObject::invokeMethod(
                                  this,
                                  [this, done, total] {
                                      if (m_dialog)
                                          m_dialog->showProgress(static_cast<qint64>(done),
                                                                 static_cast<qint64>(total));
                                  },
                                  Qt::QueuedConnection);
                          });
        },
        [this, result] {
            if (result->status != RestoreResult::Status::Ran) {
                MessageBox::warning(m_dialog, problemText(QStringLiteral("復元できませんでした。"),
                                                          result->problems));
                return;
            }
            m_dialog->showSummary(toQString(result->summary()));
            if (!result->problems.empty())
                MessageBox::warning(m_dialog,
                                    problemText(QStringLiteral("復元できなかったものがあります:"),
                                                result->problems));
        });
}

void RestoreController::inBackground(std::function<void()> work, std::function<void()> done) {
    m_worker = QThread::create(std::move(work));
    connect(m_worker, &QThread::finished, this, [this, done = std::move(done)] {
        m_worker->deleteLater();
        m_worker = nullptr;
        if (m_dialog) {
            m_dialog->setBusy(false);
            done();
        }
    });
    m_worker->start();
}

} // namespace trevane
