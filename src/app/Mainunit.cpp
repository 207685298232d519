// The main window's life: creation, settings, showing, closing, hint routing.

#include "app/Mainunit.h"

#include "PathConventions.h"
#include "app/JobTableModel.h"
#include "app/LogPanel.h"
#include "app/OptionsPanel.h"
#include "app/SidePanelSplitter.h"
#include "dialogs/MessageBox.h"
#include "dialogs/Setkeyunit.h"
#include "engine/Clock.h"
#include "jobs/AtomicFile.h"
#include "jobs/IniFile.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QScreen>
#include <QSessionManager>
#include <QSplitter>
#include <QDir>
#include <QStatusTipEvent>
#include <QTableView>

#include <cstdio>

namespace trevane {

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent), m_files{trevane::programFolder()},
      m_doc(m_files.jobFileFolder(), m_files.settingsPath()) {
    m_doc.setChangeListener([this] { showDocumentState(); });
    buildLayout();
    buildControllers();
    connectHandlers();
    installSessionEnd();
    FormCreate();
}

TMainForm::~TMainForm() {
    // Never leave a running thread behind: stop at the next check and let it end.
    if (m_runnerHost->isRunning()) {
        (void)m_jobQueue.stop();
        m_runnerHost->waitForEnd();
    }
    // The widgets show this window's members (the grid reads the job table, an open cell
    // editor included), so they go first, while those members are still there, and without
    // reporting back to a window, or its controllers, that are being destroyed.
    const QObject* receivers[] = {this, m_jobFiles, m_tableEdit, m_run, m_view};
    for (QObject* child : findChildren<QObject*>())
        for (const QObject* receiver : receivers)
            QObject::disconnect(child, nullptr, receiver, nullptr);
    delete takeCentralWidget();
}

void TMainForm::FormCreate() {
    // 1. Defaults; the Settings struct starts with every key's default.
    m_settings = Settings();
    // 2.
    m_dateTimeLocale = systemDateTimeLocale();
    // 3. Hints reach status panel 3 through event(); errors in handlers are values here, so
    //    there is no exception handler to install.
    // 4. The program and job-file folders were set when the window was made.
    m_tableEdit->setLastFolder(m_files.folder);
    if (!directoryExists(m_files.jobFileFolder()))
        createDirectory(m_files.jobFileFolder());
    m_cplFileList->refresh();
    // The job-file list makes its folder the current one, where the folder dialog opens for a
    // cell without an existing folder; not the folder the program happened to start in.
    QDir::setCurrent(toQString(m_files.jobFileFolder()));
    // 5. The header texts come from the model; the widths the grid starts with are the
    //    present widths a job's options fall back on.
    m_doc.setColumnWidths(m_grid->columnWidth(0), m_grid->columnWidth(1), m_grid->columnWidth(2));
    // 6.
    m_jobFiles->FileNewClick();
    // 7.
    LoadSettings();
    // 8. The job file open at the last close (its options are read already); a missing one
    //    leaves the new table, which saving then writes under that name.
    showDocument();
    if (m_doc.path() != JobDocument::NewFileName && fileExists(m_doc.path()))
        m_jobFiles->OpenJobFile(m_doc.path());
    offerRecovery();
    // 9.
    m_panels[0]->setText(QStringLiteral("ready"));
    // 10.
    m_options->showSwitches(m_doc.options());
    // 11. Drops are accepted from the start (buildLayout).
    // 12.
    ApplyKeyList(menuBar(), m_files.keyListPath());
    // 13.
    QModelIndex current = m_grid->currentIndex();
    if (current.isValid())
        m_tableEdit->updateLastFolderFromCell(JobTableModel::tableColumn(current),
                                              JobTableModel::tableRow(current));
    // 14.
    m_logView->loadFile(m_files.logPath());
    // 15.
    if (m_settings.bAutoStart)
        m_run->StartJobFileClick();
    if (m_settings.bAutoTimer)
        m_run->TimerOnOffClick();
    // 16.
    m_doc.numberRows();
    m_model->reload();
}

void TMainForm::showAtStartIfWanted() {
    // Without a notification area the window is the only way in, so it is shown anyway.
    if (m_settings.bShowAtStart || !m_tray->isShown())
        show();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TMainForm::FormShow() {
    // The keys go to the job table, where the work is; the log still shows its end.
    m_grid->setFocus();
    m_logView->scrollToEnd();
}

void TMainForm::LoadSettings() {
    Settings present;
    present.iMainFormLeft = x();
    present.iMainFormHeight = height();
    present.iMainFormWidth = width();
    QList<int> mainSizes = m_mainSplitter->sizes();
    QList<int> lowerSizes = m_lowerSplitter->sizes();
    QList<int> rightSizes = m_rightSplitter->sizes();
    present.iLeftPanelWidth = mainSizes.value(0);
    present.iQuePanelWidth = lowerSizes.value(1);
    present.iLogHeight = rightSizes.value(2);
    present.iRightBtmPanelHeight = rightSizes.value(1);
    present.asCPLFile = m_doc.path();

    IniFile ini;
    (void)ini.load(m_files.settingsPath()); // unreadable: every key takes its default
    m_settings = loadSettings(ini, present);

    const Settings& s = m_settings;
    move(s.iMainFormLeft, y());
    resize(s.iMainFormWidth, s.iMainFormHeight);
    int leftWidth = qMax(0, s.iLeftPanelWidth);
    int rightWidth = qMax(100, s.iMainFormWidth - leftWidth);
    m_mainSplitter->setSizes({leftWidth, rightWidth});
    int queWidth = qMax(0, s.iQuePanelWidth);
    m_lowerSplitter->setSizes({qMax(50, rightWidth - queWidth), queWidth});
    int lower = qMax(0, s.iRightBtmPanelHeight);
    int log = qMax(0, s.iLogHeight);
    m_rightSplitter->setSizes({qMax(50, s.iMainFormHeight - lower - log), lower, log});
    keepOnScreen();
    m_actions.value("ShowCaption")->setChecked(s.bShowCaption);
    m_actions.value("FlatButton")->setChecked(s.bFlatButton);
    m_actions.value("ShowLeftPanel")->setChecked(s.bShowLeftPanel);
    m_bars.applyToolBarLook();
    m_doc.restorePath(s.asCPLFile);
}

void TMainForm::keepOnScreen() {
    // A left edge or size from another screen arrangement (a monitor gone since) or from a
    // hand-edited file would open the window where it cannot be reached. A window that shows
    // enough of itself on some screen to be grabbed stays where it is.
    const QRect frame = geometry();
    QScreen* screen = nullptr;
    for (QScreen* each : QGuiApplication::screens()) {
        const QRect shared = each->availableGeometry().intersected(frame);
        if (shared.width() >= qMin(100, frame.width()) &&
            shared.height() >= qMin(50, frame.height())) {
            screen = each;
            break;
        }
    }
    const bool reachable = screen != nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    resize(frame.size().boundedTo(area.size()));
    if (!reachable)
        move(area.left() + Settings().iMainFormLeft, area.top());
}

WriteResult TMainForm::SaveSettings() {
    Settings& s = m_settings;
    s.iMainFormLeft = x();
    s.iMainFormHeight = height();
    s.iMainFormWidth = width();
    s.iLeftPanelWidth = m_mainSplitter->leftWidth();
    s.iQuePanelWidth = m_lowerSplitter->sizes().value(1);
    s.iRightBtmPanelHeight = m_rightSplitter->sizes().value(1);
    s.iLogHeight = m_rightSplitter->sizes().value(2);
    s.bShowCaption = m_actions.value("ShowCaption")->isChecked();
    s.bFlatButton = m_actions.value("FlatButton")->isChecked();
    s.bShowLeftPanel = m_actions.value("ShowLeftPanel")->isChecked();
    s.asCPLFile = m_doc.path();

    IniFile ini;
    (void)ini.load(m_files.settingsPath()); // a file that was not read whole is never written over
    storeSettings(ini, s);
    return ini.saveAs(m_files.settingsPath());
}

bool TMainForm::FormCloseQuery() {
    const auto refuseWhileRunning = [this] {
        if (!m_jobQueue.hasQueuedWork())
            return false;
        MessageBox::warning(
            this, QStringLiteral("コピー継続中です。\nコピーを中止するか、完了を待ってください。"));
        return true;
    };
    if (refuseWhileRunning() || m_jobFiles->QuerySaveChanges() == QMessageBox::Cancel)
        return false;
    // While the save question was open the timer may have started the registered jobs (the
    // window is left in the tray overnight): closing now would stop that run.
    return !refuseWhileRunning();
}

void TMainForm::FormClose() {
    // A settings file that cannot be written must not keep the window open; but the options
    // and window sizes of this session are lost, which the user learns before it ends.
    const WriteResult saved = SaveSettings();
    if (!saved.ok)
        MessageBox::warning(this, QStringLiteral("設定を保存できませんでした。\n") +
                                      toQString(saved.error));
}

void TMainForm::endSession() {
    (void)m_jobQueue.stop();
    // A stop never waits on a question: open boxes and dialogs are closed as cancelled, and
    // unsaved edits wait in a recovery file beside the job file for the next start.
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        modal->close();
    }
    (void)m_doc.writeRecovery();
    (void)SaveSettings(); // nobody is there to read a message
    emit closed();
}

void TMainForm::offerRecovery() {
    if (!fileExists(m_doc.recoveryPath()))
        return;
    if (MessageBox::question(this,
                             QStringLiteral("前回の終了時に保存されなかった変更があります。\n"
                                            "復元しますか？"),
                             QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
        m_doc.takeRecovery()) {
        showDocument();
        return;
    }
    std::remove(m_doc.recoveryPath().c_str());
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    emit closed();
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // Hint routing: the long part of the hint under the mouse goes to status panel 3.
        m_panels[3]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::showDocument() {
    m_model->reload();
    const JobOptions& options = m_doc.options();
    m_options->show(options);
    m_grid->setColumnWidth(0, options.iCell0Width);
    m_grid->setColumnWidth(1, options.iCell1Width);
    m_grid->setColumnWidth(2, options.iCell2Width);
}

void TMainForm::showDocumentState() {
    std::string name = PathConventions::native().fileName(m_doc.path());
    setWindowTitle(QStringLiteral("%1 - %2").arg(QStringLiteral("Trevane"), toQString(name)));
    m_panels[1]->setText(m_doc.isModified() ? QStringLiteral("修正あり") : QString());
}

bool TMainForm::SessionEndQuery(bool mayAsk) {
    return !mayAsk || FormCloseQuery();
}

void TMainForm::installSessionEnd() {
    // A session that ends closes no window, so the question closing asks comes from here.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (!SessionEndQuery(manager.allowsInteraction()))
            manager.cancel();
        manager.release();
    });
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths = JobGrid::droppedFiles(*event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    m_tableEdit->DropFiles(paths);
}

void TMainForm::AppendLogLine(const std::string& message, std::optional<int> maxLines) {
    m_logView->append(message, maxLines.value_or(m_settings.iMaxLog));
}

bool TMainForm::SaveLogFile(const std::string& folder) {
    return m_log.save(PathConventions::native().join(folder, m_files.logName)).ok;
}

} // namespace trevane
