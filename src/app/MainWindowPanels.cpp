// TMainForm, building its panels (the job grid, the job-file and queue lists, the options, the
// log, their splitters), its controllers, and the connections of its actions, menus, tray and
// panels to their handlers. The actions, menus, tool band and status bar come from
// MainWindowBars.

#include "app/HistoryController.h"
#include "app/JobTableModel.h"
#include "app/LogPanel.h"
#include "app/Mainunit.h"
#include "app/OptionsPanel.h"
#include "app/RestoreController.h"
#include "app/SidePanelSplitter.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace trevane {

namespace {

// A widget with a caption line above its content, like the panels of the window.
QWidget* captionedPanel(const QString& caption, QWidget* content, const QString& name) {
    auto* panel = new QWidget;
    panel->setObjectName(name);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* label = new QLabel(caption);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Raised);
    label->setContentsMargins(3, 1, 3, 1);
    layout->addWidget(label);
    layout->addWidget(content, 1);
    return panel;
}

} // namespace

void TMainForm::buildLayout() {
    setObjectName(QStringLiteral("MainForm"));
    setAcceptDrops(true);

    // Job-file list on the left.
    m_cplFileList = new JobFileList(m_files.jobFileFolder());
    m_leftPanel =
        captionedPanel(QStringLiteral("CPL\\"), m_cplFileList, QStringLiteral("LeftPanel"));
    m_leftPanel->setMinimumWidth(0);

    // Job table.
    m_grid = new JobGrid(m_doc, m_cplFileList);
    m_model = m_grid->jobModel();
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setTabKeyNavigation(true);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setDefaultSectionSize(qMax(15, fontMetrics().height() + 3));
    m_grid->verticalHeader()->setMinimumWidth(JobTable::initialColumnWidths()[0]);
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_grid->horizontalHeader()->setSectionsMovable(false);
    m_grid->horizontalHeader()->setHighlightSections(false);
    // The start widths were chosen for another font; a column whose caption needs more room in
    // the font at hand is widened to it.
    for (int c = 1; c < JobTable::ColumnCount; ++c)
        m_grid->setColumnWidth(c - 1, qMax(JobTable::initialColumnWidths()[c],
                                           m_grid->horizontalHeader()->sectionSizeHint(c - 1)));
    MainWindowBars::setHint(m_grid, QStringLiteral("|ダブルクリック、右クリック対応"));

    // Options check list with the /D date edit above it.
    m_options = new OptionsPanel;

    // Queue panel.
    m_que = new QueuePanel(m_jobQueue, m_cplFileList);
    m_quePanel = captionedPanel(QStringLiteral("実行ジョブファイルリスト"), m_que,
                                QStringLiteral("QuePanel"));

    m_lowerSplitter = new QSplitter(Qt::Horizontal);
    m_lowerSplitter->setObjectName(QStringLiteral("Splitter3"));
    m_lowerSplitter->addWidget(m_options);
    m_lowerSplitter->addWidget(m_quePanel);
    m_lowerSplitter->setStretchFactor(0, 1);
    m_lowerSplitter->setStretchFactor(1, 0);
    m_lowerPanel = m_lowerSplitter;
    m_lowerPanel->setObjectName(QStringLiteral("RightBtmPanel"));

    // Log panel.
    m_logView = new LogPanel(m_log);

    m_rightSplitter = new QSplitter(Qt::Vertical);
    m_rightSplitter->setObjectName(QStringLiteral("RightPanel"));
    m_rightSplitter->addWidget(m_grid);
    m_rightSplitter->addWidget(m_lowerPanel);
    m_rightSplitter->addWidget(m_logView);
    m_rightSplitter->setStretchFactor(0, 1);
    m_rightSplitter->setStretchFactor(1, 0);
    m_rightSplitter->setStretchFactor(2, 0);
    m_rightSplitter->setChildrenCollapsible(false);

    m_mainSplitter = new SidePanelSplitter;
    m_mainSplitter->setObjectName(QStringLiteral("Splitter2"));
    m_mainSplitter->addWidget(m_leftPanel);
    m_mainSplitter->addWidget(m_rightSplitter);
    m_mainSplitter->setStretchFactor(0, 0);
    m_mainSplitter->setStretchFactor(1, 1);
    m_mainSplitter->setCollapsible(0, true);
    m_mainSplitter->setCollapsible(1, false);
    setCentralWidget(m_mainSplitter);

    m_bars.buildActions();
    m_bars.buildMenus();
    m_bars.buildToolBars();
    m_progress = m_bars.buildStatusBar(m_panels);
    m_options->setSwitchLabel(m_panels[2]);

    // The window is built at the sizes the settings table gives, which a first start keeps.
    // The log panel is lower than a text box's usual least height.
    const Settings initial;
    m_logView->setMinimumHeight(qMin(m_logView->minimumSizeHint().height(), initial.iLogHeight));
    move(initial.iMainFormLeft, y());
    resize(initial.iMainFormWidth, initial.iMainFormHeight);
    const int rightWidth = initial.iMainFormWidth - initial.iLeftPanelWidth;
    m_mainSplitter->setSizes({initial.iLeftPanelWidth, rightWidth});
    m_lowerSplitter->setSizes({rightWidth - initial.iQuePanelWidth, initial.iQuePanelWidth});
    m_rightSplitter->setSizes(
        {initial.iMainFormHeight - initial.iRightBtmPanelHeight - initial.iLogHeight,
         initial.iRightBtmPanelHeight, initial.iLogHeight});
}

void TMainForm::buildControllers() {
    m_tray = new TrayIcon(*this);
    m_actions.insert(QStringLiteral("TrayTimerOnOff"), m_tray->timerItem());
    m_jobFiles = new JobFileController(m_doc, m_files, m_settings, *m_cplFileList, this, this);
    m_tableEdit = new TableEditController(m_doc, *m_grid, *m_options, m_files, m_settings,
                                          m_dateTimeLocale, this, this);
    m_run = new RunController(
        m_jobQueue, *m_jobFiles, m_doc, m_files, m_settings, *m_cplFileList, this,
        [this] { m_runnerHost->start(); }, this);
    m_view = new ViewController(*this, *m_tray, m_settings, m_files, *m_mainSplitter, m_actions,
                                m_bars, *m_tableEdit, this);
    m_restore = new RestoreController(m_doc, *m_grid, *this, this);
    m_history = new HistoryController(*this, m_files, this);
    m_runnerHost = std::make_unique<MainRunnerHost>(
        MainRunnerHost::Parts{*this, m_files, m_settings, m_jobQueue, *m_que, *m_logView, m_log,
                              *m_panels[0], *m_progress, *m_tray, [this] { m_view->hideToTray(); },
                              [this] { m_run->OnRunnerTerminate(); }});
    m_timerDisplay = new TimerDisplay(*this, m_bars.timerLabel(), m_actions.value("TimerOnOff"),
                                      m_tray->timerItem());
}

void TMainForm::connectHandlers() {
    const auto on = [this]<class Receiver>(const char* name, Receiver* receiver,
                                           void (Receiver::*handler)()) {
        connect(m_actions.value(name), &QAction::triggered, receiver, handler);
    };
    JobFileController* files = m_jobFiles;
    on("FileNew", files, &JobFileController::FileNewClick);
    on("FileOpen", files, &JobFileController::FileOpenClick);
    on("FileSave", files, &JobFileController::FileSaveClick);
    on("FileSaveAs", files, &JobFileController::FileSaveAsClick);
    on("FileDelete", files, &JobFileController::FileDeleteClick);
    on("Restore", m_restore, &RestoreController::RestoreClick);
    connect(m_actions.value("Exit"), &QAction::triggered, this, &QWidget::close);
    RunController* run = m_run;
    on("StartCopy", run, &RunController::StartCopyClick);
    on("StartJobFile", run, &RunController::StartJobFileClick);
    on("StopCopy", run, &RunController::StopCopyClick);
    on("TimerOnOff", run, &RunController::TimerOnOffClick);
    ViewController* view = m_view;
    on("ShowLog", view, &ViewController::ShowLogClick);
    on("ShowHistory", m_history, &HistoryController::ShowHistoryClick);
    connect(view, &ViewController::historyWanted, m_history, &HistoryController::ShowHistoryClick);
    on("ExecExplorer", view, &ViewController::ExecExplorerClick);
    on("HideWindow", view, &ViewController::HideWindowClick);
    on("ShowLeftPanel", view, &ViewController::ShowLeftPanelClick);
    on("ShowCaption", view, &ViewController::ShowCaptionClick);
    on("FlatButton", view, &ViewController::FlatButtonClick);
    on("Topics", view, &ViewController::TopicsClick);
    on("Option", this, &TMainForm::OptionClick);
    on("About", this, &TMainForm::AboutClick);
    on("SetShortCutKey", this, &TMainForm::SetShortCutKeyClick);
    on("MakeSFX", this, &TMainForm::MakeSFXClick);
    on("ShowCommand", this, &TMainForm::ShowCommandClick);
    TableEditController* edit = m_tableEdit;
    on("EditUndo", edit, &TableEditController::EditUndoClick);
    on("EditCut", edit, &TableEditController::EditCutClick);
    on("EditCopy", edit, &TableEditController::EditCopyClick);
    on("EditPaste", edit, &TableEditController::EditPasteClick);
    on("Refer", edit, &TableEditController::ReferClick);
    on("ClearSelected", edit, &TableEditController::ClearSelectedClick);
    on("InsertRow", edit, &TableEditController::InsertRowClick);
    on("RowCopy", edit, &TableEditController::RowCopyClick);
    on("RowDelete", edit, &TableEditController::RowDeleteClick);
    on("ColCopyAll", edit, &TableEditController::ColCopyAllClick);

    // The tray icon's menu and clicks.
    connect(m_tray, &TrayIcon::startOpenClicked, run, &RunController::StartCopyClick);
    connect(m_tray, &TrayIcon::startListClicked, run, &RunController::StartJobFileClick);
    connect(m_tray, &TrayIcon::stopClicked, run, &RunController::StopCopyClick);
    connect(m_tray, &TrayIcon::timerClicked, run, &RunController::TimerOnOffClick);
    connect(m_tray, &TrayIcon::showHideClicked, view, &ViewController::HideWindowClick);
    connect(m_tray, &TrayIcon::optionClicked, this, &TMainForm::OptionClick);
    connect(m_tray, &TrayIcon::topicsClicked, view, &ViewController::TopicsClick);
    connect(m_tray, &TrayIcon::aboutClicked, this, &TMainForm::AboutClick);
    connect(m_tray, &TrayIcon::exitClicked, this, &QWidget::close);
    connect(m_tray, &TrayIcon::clicked, view, &ViewController::TaskBarTrayClick);
    connect(m_tray, &TrayIcon::doubleClicked, view, &ViewController::TaskBarTrayDblClick);

    // What the controllers report.
    connect(files, &JobFileController::documentReplaced, this, &TMainForm::showDocument);
    connect(files, &JobFileController::jobFileOpened, this,
            [this] { m_grid->setCurrentIndex(m_model->indexOf(1, 1)); });
    connect(files, &JobFileController::runSelectedRequested, run,
            &RunController::SendSelectedJobFileClick);
    connect(run, &RunController::queueChanged, m_que, &QueuePanel::showQueue);
    connect(run, &RunController::stopping, this,
            [this] { m_panels[0]->setText(QStringLiteral("Aborting...")); });
    connect(run, &RunController::runnerEnded, this, [this] {
        m_runnerHost->ended();
        m_tray->setTip("Trevane");
        m_progress->hide();
    });
    connect(run, &RunController::closeRequested, this, &QWidget::close);
    connect(run, &RunController::timerChanged, this,
            [this] { m_timerDisplay->show(m_run->scheduler()); });
    connect(m_timerDisplay, &TimerDisplay::tick, run, &RunController::TimerTimer);
    connect(edit, &TableEditController::hint, m_panels[3], &QLabel::setText);
    connect(view, &ViewController::optionsWanted, this, &TMainForm::OptionClick);

    // The panels and the grid.
    connect(m_que, &QueuePanel::stopClicked, run, &RunController::StopCopyClick);
    connect(m_que, &QueuePanel::restartClicked, run, &RunController::RestartCopyClick);
    connect(m_que, &QueuePanel::clearClicked, run, &RunController::ClearQueClick);
    connect(m_que, &QueuePanel::queueShown, this, [this] { m_runnerHost->queueChanged(); });
    connect(m_que, &QueuePanel::jobFilesDropped, run, &RunController::SendSelectedJobFileClick);
    connect(m_que, &QueuePanel::dragHint, m_panels[3], &QLabel::setText);
    connect(m_options, &OptionsPanel::changed, edit,
            &TableEditController::OptionCheckListBoxClickCheck);
    connect(m_options, &OptionsPanel::dateEditFinished, edit,
            &TableEditController::DateMaskEditExit);
    connect(m_cplFileList, &QListWidget::itemDoubleClicked, files,
            &JobFileController::CPLFileListBoxDblClick);
    connect(m_cplFileList, &QListWidget::currentItemChanged, files,
            &JobFileController::CPLFileListBoxChange);
    connect(m_cplFileList, &JobFileList::startOpenClicked, run, &RunController::StartCopyClick);
    connect(m_cplFileList, &JobFileList::startSelectedClicked, run,
            &RunController::SendSelectedJobFileClick);
    connect(m_cplFileList, &JobFileList::openClicked, files,
            &JobFileController::CPLFileListBoxDblClick);
    connect(m_cplFileList, &JobFileList::deleteClicked, files, &JobFileController::FileDeleteClick);
    connect(m_grid, &QTableView::clicked, edit, [edit](const QModelIndex& index) {
        edit->updateLastFolderFromCell(JobTableModel::tableColumn(index),
                                       JobTableModel::tableRow(index));
    });
    connect(m_grid, &JobGrid::cellTextEdited, edit, &TableEditController::sgCopyListSetEditText);
    connect(m_grid, &JobGrid::rowHovered, edit, &TableEditController::sgCopyListMouseMove);
    connect(m_grid, &JobGrid::filesDropped, edit, &TableEditController::DropFiles);
    connect(m_grid, &JobGrid::jobFileDropped, files, &JobFileController::CPLFileListBoxDblClick);
    connect(m_grid, &JobGrid::dragHint, m_panels[3], &QLabel::setText);
    connect(m_grid, &QTableView::doubleClicked, edit, &TableEditController::ReferClick);
    connect(m_grid, &JobGrid::rowMoved, edit, &TableEditController::sgCopyListRowMoved);

    // The table's popup menu.
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* popup = new QMenu(m_grid);
    popup->setObjectName(QStringLiteral("PopupMenu2"));
    popup->addAction(QStringLiteral("セル内容の切り取り"), edit,
                     &TableEditController::EditCutClick);
    popup->addAction(QStringLiteral("セル内容のコピー"), edit, &TableEditController::EditCopyClick);
    popup->addAction(QStringLiteral("セル内容の張り付け"), edit,
                     &TableEditController::EditPasteClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("選択セルの消去"), edit,
                     &TableEditController::ClearSelectedClick);
    popup->addAction(QStringLiteral("行の挿入"), edit, &TableEditController::InsertRowClick);
    popup->addAction(QStringLiteral("選択行の複製"), edit, &TableEditController::RowCopyClick);
    popup->addAction(QStringLiteral("選択行の削除"), edit, &TableEditController::RowDeleteClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("選択セルを同一列に複製"), edit,
                     &TableEditController::ColCopyAllClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("ファイル・ディレクトリ参照..."), edit,
                     &TableEditController::ReferClick);
    popup->addSeparator();
    popup->addAction(QStringLiteral("実行コマンド一覧表示"), m_actions.value("ShowCommand"),
                     &QAction::trigger);
    popup->addSeparator();
    popup->addAction(QStringLiteral("自己解凍書庫の作成..."), m_actions.value("MakeSFX"),
                     &QAction::trigger);
    popup->addSeparator();
    popup->addAction(QStringLiteral("エクスプローラ起動"), view,
                     &ViewController::ExecExplorerClick);
    connect(m_grid, &QWidget::customContextMenuRequested, popup,
            [this, popup](const QPoint& at) { popup->popup(m_grid->viewport()->mapToGlobal(at)); });
}

} // namespace trevane
