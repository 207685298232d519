#include "app/RestoreController.h"

#include "app/JobGrid.h"
#include "app/JobTableModel.h"
#include "dialogs/MessageBox.h"
#include "dialogs/RestoreDialog.h"
#include "engine/BackupLocation.h"
#include "engine/Restorer.h"
#include "jobs/JobDocument.h"
#include "jobs/JobRow.h"
#include "platform/TextCodec.h"

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
    const BackupLocation location = BackupLocation::ofRow(JobRow::fromTableRow(table.row(row)));
    return {toQString(location.from), toQString(location.to)};
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
    m_dialog = new RestoreDialog(&m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setFrom(backup.from);
    m_dialog->setTarget(backup.to);
    connect(m_dialog, &RestoreDialog::fromChosen, this, &RestoreController::listMembers);
    connect(m_dialog, &RestoreDialog::restoreAllClicked, this, [this] { startRestore(false); });
    connect(m_dialog, &RestoreDialog::restoreSelectedClicked, this, [this] { startRestore(true); });
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
    inBackground([from, listing] { *listing = listBackupMembers(from); },
                 [this, from, listing] {
                     m_dialog->showMembers(listing->members);
                     if (listing->status == BackupListing::Status::Missing)
                         MessageBox::warning(m_dialog, QStringLiteral("復元元が見つかりません: ") +
                                                           toQString(from));
                     else if (listing->status == BackupListing::Status::Damaged)
                         MessageBox::warning(
                             m_dialog, QStringLiteral("書庫の途中までしか読めませんでした: ") +
                                           toQString(from) + QLatin1Char('\n') +
                                           toQString(listing->error));
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
    auto restorer = std::make_shared<Restorer>(request);
    inBackground(
        [restorer] { restorer->prepare(); },
        [this, restorer, overwrite = request.overwrite] {
            const RestorePlan& plan = restorer->plan();
            // The box replaces newer and read-only files of a folder that is often
            // the row's own source: the user sees how many before anything is written.
            if (overwrite && !restorer->listing().members.empty() && plan.settingAside() > 0 &&
                MessageBox::question(
                    m_dialog,
                    QStringLiteral("上書きされるファイル: %1 個\n"
                                   "置き換える前のファイルは復元先の %2 フォルダに移します。"
                                   "復元しますか？")
                        .arg(plan.settingAside())
                        .arg(QString::fromLatin1(RestoreTarget::kAsideFolder)),
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
                return;
            runRestore(restorer);
        });
}

void RestoreController::runRestore(std::shared_ptr<Restorer> restorer) {
    m_dialog->setBusy(true);
    auto result = std::make_shared<RestoreResult>();
    inBackground(
        [this, restorer, result] {
            *result = restorer->run([this](std::uint64_t done, std::uint64_t total) {
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
