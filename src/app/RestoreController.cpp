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
    const BackupLocation location =
        BackupLocation::ofRow(JobRow::fromTableRow(table.row(row)), row);
    RowBackup backup{toQString(location.from), toQString(location.to), {}};
    for (const std::string& line : location.refused)
        backup.refused << toQString(line);
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
    m_dialog = new RestoreDialog(&m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setFrom(backup.from);
    m_dialog->setTarget(backup.to);
    connect(m_dialog, &RestoreDialog::fromChosen, this, &RestoreController::listMembers);
    connect(m_dialog, &RestoreDialog::decisionsWanted, this, &RestoreController::showDecisions);
    connect(m_dialog, &RestoreDialog::restoreAllClicked, this, [this] { startRestore(false); });
    connect(m_dialog, &RestoreDialog::restoreSelectedClicked, this, [this] { startRestore(true); });
    m_dialog->open();
    if (!backup.refused.isEmpty())
        MessageBox::warning(m_dialog, backup.refused.join(QLatin1Char('\n')));
    if (!backup.from.isEmpty())
        listMembers();
}

namespace {

// What the window shows for a decision: blank for a file written where nothing was.
QHash<QString, QString> decisionTexts(const Restorer& restorer) {
    QHash<QString, QString> texts;
    for (const RestoreDecision& d : restorer.plan().decisions) {
        QString text;
        if (d.kind == RestoreDecision::Kind::Restore && d.setsAside)
            text = QStringLiteral("置き換える (元のものは移す)");
        else if (d.kind == RestoreDecision::Kind::KeepNewer)
            text = QStringLiteral("新しいので残す");
        else if (d.kind == RestoreDecision::Kind::KeepReadOnly)
            text = QStringLiteral("読み取り専用なので残す");
        else if (d.kind != RestoreDecision::Kind::Restore)
            text = toQString(d.reason);
        texts.insert(toQString(restorer.listing().members[d.member].path), text);
    }
    return texts;
}

} // namespace

std::shared_ptr<Restorer> RestoreController::restorerForWindow(bool selectedOnly) const {
    RestoreRequest request{
        toBytes(m_dialog->from()), toBytes(m_dialog->target()), {}, m_dialog->overwrite(), true};
    if (selectedOnly)
        for (const QString& path : m_dialog->selectedPaths())
            request.names.push_back(toBytes(path));
    return std::make_shared<Restorer>(std::move(request));
}

void RestoreController::listMembers() {
    const std::string from = toBytes(m_dialog->from());
    if (from.empty() || m_worker)
        return;
    m_dialog->setBusy(true);
    auto restorer = restorerForWindow(false);
    inBackground([restorer] { restorer->prepare(); },
                 [this, from, restorer] {
                     const BackupListing& listing = restorer->listing();
                     m_dialog->showMembers(listing.members);
                     m_dialog->showDecisions(decisionTexts(*restorer));
                     if (listing.status == BackupListing::Status::Missing)
                         MessageBox::warning(m_dialog, QStringLiteral("復元元が見つかりません: ") +
                                                           toQString(from));
                     else if (listing.status == BackupListing::Status::Damaged)
                         MessageBox::warning(
                             m_dialog, QStringLiteral("書庫の途中までしか読めませんでした: ") +
                                           toQString(from) + QLatin1Char('\n') +
                                           toQString(listing.error));
                     else if (listing.status == BackupListing::Status::Failed)
                         MessageBox::warning(m_dialog, QStringLiteral("書庫を読めませんでした: ") +
                                                           toQString(from) + QLatin1Char('\n') +
                                                           toQString(listing.error));
                 });
}

void RestoreController::showDecisions() {
    if (m_dialog->from().isEmpty() || m_worker)
        return;
    m_dialog->setBusy(true);
    auto restorer = restorerForWindow(false);
    inBackground([restorer] { restorer->prepare(); },
                 [this, restorer] { m_dialog->showDecisions(decisionTexts(*restorer)); });
}

void RestoreController::startRestore(bool selectedOnly) {
    if (m_worker)
        return;
    auto restorer = restorerForWindow(selectedOnly);
    const RestoreRequest& request = restorer->request();
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
