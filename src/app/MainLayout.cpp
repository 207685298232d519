// Building the main window: its widgets and the handlers of its actions; the actions, menus,
// tool band and status bar come from MainWindowLayout.

#include "app/JobTableModel.h"
#include "app/LogPanel.h"
#include "app/Mainunit.h"
#include "app/OptionsPanel.h"
#include "app/SidePanelSplitter.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
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
    MainWindowLayout::setHint(m_grid, QStringLiteral("|ダブルクリック、右クリック対応"));

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

    buildActions();
    m_layout.buildMenus();
    m_layout.buildToolBars();
    m_progress = m_layout.buildStatusBar(m_panels);
    m_options->setSwitchLabel(m_panels[2]);
    installGridBehaviour();
    installEditing();

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

void TMainForm::buildActions() {
    m_layout.buildActions();
    auto on = [this](const char* name, void (TMainForm::*handler)()) {
        connect(m_actions.value(name), &QAction::triggered, this, handler);
    };
    on("FileNew", &TMainForm::FileNewClick);
    on("FileOpen", &TMainForm::FileOpenClick);
    on("FileSave", &TMainForm::FileSaveClick);
    on("FileSaveAs", &TMainForm::FileSaveAsClick);
    on("FileDelete", &TMainForm::FileDeleteClick);
    connect(m_actions.value("Exit"), &QAction::triggered, this, &QWidget::close);
    on("StartCopy", &TMainForm::StartCopyClick);
    on("StartJobFile", &TMainForm::StartJobFileClick);
    on("StopCopy", &TMainForm::StopCopyClick);
    on("TimerOnOff", &TMainForm::TimerOnOffClick);
    on("ShowLog", &TMainForm::ShowLogClick);
    on("ExecExplorer", &TMainForm::ExecExplorerClick);
    on("HideWindow", &TMainForm::HideWindowClick);
    on("ShowLeftPanel", &TMainForm::ShowLeftPanelClick);
    on("ShowCaption", &TMainForm::ShowCaptionClick);
    on("FlatButton", &TMainForm::FlatButtonClick);
    on("Topics", &TMainForm::TopicsClick);
    on("Option", &TMainForm::OptionClick);
    on("About", &TMainForm::AboutClick);
    on("SetShortCutKey", &TMainForm::SetShortCutKeyClick);
    on("MakeSFX", &TMainForm::MakeSFXClick);
    on("ShowCommand", &TMainForm::ShowCommandClick);
}

} // namespace trevane
