#include "app/MainWindowBars.h"
#include "app/StyleIcons.h"

#include "dialogs/MenuShortcuts.h"
#include "dialogs/ShortcutMenu.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace trevane {

MainWindowBars::MainWindowBars(QMainWindow& window, QMap<QString, QAction*>& actions,
                               const Settings& settings)
    : m_window(window), m_actions(actions), m_settings(settings) {}

void MainWindowBars::setHint(QWidget* widget, const QString& hint) {
    int bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void MainWindowBars::setHint(QAction* action, const QString& hint) {
    int bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QAction* MainWindowBars::makeAction(const QString& name, const QString& caption,
                                    const QKeySequence& key) {
    auto* action = new QAction(caption, &m_window);
    action->setObjectName(name);
    if (!key.isEmpty())
        action->setShortcut(key);
    m_actions.insert(name, action);
    return action;
}

void MainWindowBars::buildActions() {
    using QKS = QKeySequence;
    // File
    makeAction("FileNew", "新規作成(&N)", QKS(Qt::CTRL | Qt::Key_N));
    makeAction("FileOpen", "開く(&O)", QKS(Qt::CTRL | Qt::Key_O));
    makeAction("FileSave", "上書き保存(&S)", QKS(Qt::CTRL | Qt::Key_S));
    makeAction("FileSaveAs", "名前を付けて保存(&A)...");
    makeAction("FileDelete", "ファイルの削除(&D)");
    makeAction("Restore", "復元(&R)...", QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    makeAction("Exit", "終了(&X)");
    // Edit
    makeAction("EditUndo", "元に戻す(&U)", QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    makeAction("EditCut", "セル内容の切り取り(&T)", QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
    makeAction("EditCopy", "セル内容のコピー(&C)", QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    makeAction("EditPaste", "セル内容の貼り付け(&P)", QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    makeAction("Refer", "ディレクトリとファイル参照(&R)...", QKS(Qt::CTRL | Qt::Key_R));
    makeAction("ClearSelected", "選択セルの消去(&X)", QKS(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    makeAction("InsertRow", "行の挿入(&I)", QKS(Qt::CTRL | Qt::Key_I));
    makeAction("RowCopy", "選択行の複製(&W)", QKS(Qt::CTRL | Qt::Key_W));
    makeAction("RowDelete", "選択行の削除(&D)", QKS(Qt::CTRL | Qt::Key_D));
    makeAction("ColCopyAll", "選択セルを同一列に複製(&A)");
    // Run
    makeAction("StartCopy", "開いているジョブファイルの実行(&S)", QKS(Qt::CTRL | Qt::Key_S));
    makeAction("StartJobFile", "登録ジョブファイルの実行(J)", QKS(Qt::CTRL | Qt::Key_J));
    makeAction("StopCopy", "実行待ちジョブの中止(&X)", QKS(Qt::CTRL | Qt::Key_Q));
    makeAction("TimerOnOff", "タイマー起動(&T)", QKS(Qt::CTRL | Qt::Key_T));
    makeAction("MakeSFX", "自己解凍書庫の作成(&F)");
    // View
    makeAction("Option", "オプション設定(&O)");
    makeAction("SetShortCutKey", "キー割り当て(&K)");
    makeAction("ShowCommand", "実行コマンド一覧(&C)");
    makeAction("ShowLog", "ログの表示(&L)", QKS(Qt::CTRL | Qt::Key_L));
    makeAction("ShowHistory", "実行履歴(&R)...");
    makeAction("ShowLeftPanel", "ファイルリストを表示(&F)");
    makeAction("ShowCaption", "キャプション");
    makeAction("FlatButton", "フラットボタン");
    makeAction("ExecExplorer", "エクスプローラの起動", QKS(Qt::CTRL | Qt::Key_E));
    makeAction("HideWindow", "タスクトレーに隠す(&H)", QKS(Qt::CTRL | Qt::Key_H));
    // Help
    makeAction("Topics", "トピックスの検索(&S)...", QKS(Qt::Key_F1));
    makeAction("About", "バージョン情報情報(&A)...");

    for (const char* name : {"ShowLeftPanel", "ShowCaption", "FlatButton"})
        m_actions.value(name)->setCheckable(true);
    m_actions.value("ShowLeftPanel")->setChecked(true);
    m_actions.value("FlatButton")->setChecked(true);
}

void MainWindowBars::buildMenus() {
    QMenuBar* bar = m_window.menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (name == nullptr)
                menu->addSeparator();
            else
                menu->addAction(m_actions.value(name));
        }
    };
    // Menus that show a key also where an earlier item receives it.
    auto addMenu = [](auto* owner, const QString& caption) {
        auto* menu = new ShortcutMenu(caption, owner);
        owner->addMenu(menu);
        return menu;
    };
    QMenu* file = addMenu(bar, QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("File1"));
    add(file, {"FileNew", "FileOpen", "FileSave", "FileSaveAs", "FileDelete", nullptr, "Restore",
               nullptr, "Exit"});
    QMenu* edit = addMenu(bar, QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("Edit1"));
    add(edit, {"EditUndo", nullptr, "EditCut", "EditCopy", "EditPaste", nullptr, "Refer", nullptr,
               "ClearSelected", "InsertRow", "RowCopy", "RowDelete", nullptr, "ColCopyAll"});
    QMenu* run = addMenu(bar, QStringLiteral("実行(&D)"));
    run->setObjectName(QStringLiteral("Run1"));
    add(run, {"StartCopy", "StartJobFile", nullptr, "StopCopy", nullptr, "TimerOnOff", nullptr,
              "MakeSFX"});
    QMenu* view = addMenu(bar, QStringLiteral("表示(&W)"));
    view->setObjectName(QStringLiteral("View1"));
    add(view, {"Option", "SetShortCutKey", nullptr, "ShowCommand", "ShowLog", "ShowHistory",
               nullptr, "ShowLeftPanel"});
    QMenu* toolbars = addMenu(view, QStringLiteral("ツールバーの表示(&T)"));
    toolbars->setObjectName(QStringLiteral("ToolBarView1"));
    add(toolbars, {"ShowCaption", "FlatButton"});
    add(view, {nullptr, "ExecExplorer", "HideWindow"});
    QMenu* help = addMenu(bar, QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("Help1"));
    add(help, {"Topics", "About"});
    m_actions.value("Topics")->setIcon(themeIcon({"help-contents"}, QStyle::SP_DialogHelpButton));
    m_actions.value("About")->setIcon(themeIcon({"help-about"}, QStyle::SP_MessageBoxInformation));
    m_actions.value("Exit")->setIcon(themeIcon({"application-exit"}, QStyle::SP_DialogCloseButton));
    // The menu bar's sixth item has no caption and no items of its own.
    QMenu* empty = bar->addMenu(QString());
    empty->setObjectName(QStringLiteral("N1"));
    empty->menuAction()->setVisible(false);

    // Ctrl+S belongs to both "上書き保存" and the run command; the first in menu order gets it.
    MenuShortcuts::resolveClashes(bar);
}

void MainWindowBars::buildToolBars() {
    auto button = [this](QToolBar* bar, const char* name, const QString& caption, const QIcon& icon,
                         const QString& hint, QAction* same) {
        auto* a = new QAction(icon, caption, &m_window);
        a->setObjectName(QString::fromLatin1(name));
        // Qt would drop a trailing "..." from a tool button's caption ("参照...").
        a->setIconText(caption);
        setHint(a, hint);
        if (same) {
            QObject::connect(a, &QAction::triggered, same, &QAction::trigger);
            // The menu command shows the button's picture; a command with a check mark keeps
            // the mark alone, which a picture would replace.
            if (!same->isCheckable())
                same->setIcon(icon);
        }
        bar->addAction(a);
        m_actions.insert(QString::fromLatin1(name), a);
        return a;
    };
    m_toolBar1 = new QToolBar(QStringLiteral("ToolBar1"), &m_window);
    m_toolBar1->setObjectName(QStringLiteral("ToolBar1"));
    button(m_toolBar1, "NewBtn", "新規", themeIcon({"document-new"}, QStyle::SP_FileIcon),
           "新規|新規ファイル作成", m_actions.value("FileNew"));
    button(m_toolBar1, "OpenBtn", "開く", themeIcon({"document-open"}, QStyle::SP_DialogOpenButton),
           "開く|ジョブファイルを開く", m_actions.value("FileOpen"));
    button(m_toolBar1, "SaveBtn", "保存", themeIcon({"document-save"}, QStyle::SP_DialogSaveButton),
           "保存|ジョブファイルの上書き保存", m_actions.value("FileSave"));
    button(m_toolBar1, "SaveAsBtn", "別名保存",
           themeIcon({"document-save-as"}, QStyle::SP_DriveFDIcon), "別名保存|ファイルを別名で保存",
           m_actions.value("FileSaveAs"));
    m_toolBar1->addSeparator();
    button(m_toolBar1, "CutBtn", "切り取り", themeIcon({"edit-cut"}), "カット|選択セルの切り取り",
           m_actions.value("EditCut"));
    button(m_toolBar1, "CopyBtn", "ｺﾋﾟｰ", themeIcon({"edit-copy"}), "コピー|選択セルのコピー",
           m_actions.value("EditCopy"));
    button(m_toolBar1, "PasteBtn", "貼り付け", themeIcon({"edit-paste"}),
           "張り付け|選択セルへ張り付け", m_actions.value("EditPaste"));
    m_toolBar1->addSeparator();
    button(m_toolBar1, "ReferBtn", "参照...", themeIcon({"folder-open"}, QStyle::SP_DirOpenIcon),
           "参照|ファイルとディレクトリの参照...", m_actions.value("Refer"));
    button(m_toolBar1, "ShowCommandBtn", "コマンド", themeIcon({"utilities-terminal"}),
           "実行コマンド一覧表示", m_actions.value("ShowCommand"));

    m_toolBar2 = new QToolBar(QStringLiteral("ToolBar2"), &m_window);
    m_toolBar2->setObjectName(QStringLiteral("ToolBar2"));
    button(m_toolBar2, "StartBtn", "開始",
           themeIcon({"media-playback-start"}, QStyle::SP_MediaPlay),
           "コピー開始|ファイルコピーの開始", m_actions.value("StartCopy"));
    button(m_toolBar2, "StopBtn", "中止", themeIcon({"media-playback-stop"}, QStyle::SP_MediaStop),
           "中止|ファイルコピーの中止", m_actions.value("StopCopy"));
    button(m_toolBar2, "TimerBtn", "ﾀｲﾏｰ", themeIcon({"chronometer", "appointment-new"}),
           "タイマー|タイマーを起動する", m_actions.value("TimerOnOff"));
    m_toolBar2->addSeparator();
    button(m_toolBar2, "OptionBtn", "ｵﾌﾟｼｮﾝ", themeIcon({"preferences-system", "configure"}),
           "オプション|オプション設定", m_actions.value("Option"));
    button(m_toolBar2, "LogBtn", "ログ", themeIcon({"text-x-generic"}), "ログ|ログファイルを開く",
           m_actions.value("ShowLog"));
    button(m_toolBar2, "ExplorerBtn", "ｴｸｽﾌﾟﾛｰﾗ",
           themeIcon({"system-file-manager"}, QStyle::SP_DirHomeIcon),
           "エクスプローラ|エクスプローラを起動", m_actions.value("ExecExplorer"));
    m_toolBar2->addSeparator();
    button(m_toolBar2, "FileListBtn", "ﾌｧｲﾙﾘｽﾄ", themeIcon({"view-list", "view-list-details"}),
           "ファイルリスト|ファイルリストの表示", m_actions.value("ShowLeftPanel"));
    button(m_toolBar2, "HideBtn", "隠す",
           themeIcon({"window-minimize", "go-down"}, QStyle::SP_TitleBarMinButton),
           "隠す|アプリケーションをタスクトレーに隠す", m_actions.value("HideWindow"));

    m_toolBar3 = new QToolBar(QStringLiteral("TimerBand"), &m_window);
    m_toolBar3->setObjectName(QStringLiteral("TimerBand"));
    m_timerLabel = new QLabel(QStringLiteral("Timer Off"));
    m_timerLabel->setObjectName(QStringLiteral("TimerLabel"));
    m_timerLabel->setContentsMargins(4, 0, 4, 0);
    m_toolBar3->addWidget(m_timerLabel);

    for (QToolBar* bar : {m_toolBar1, m_toolBar2, m_toolBar3}) {
        bar->setMovable(true);
        bar->setFloatable(false);
        bar->setIconSize(QSize(16, 16));
    }
    m_window.addToolBar(Qt::TopToolBarArea, m_toolBar1);
    m_window.addToolBar(Qt::TopToolBarArea, m_toolBar2);
    m_window.addToolBarBreak(Qt::TopToolBarArea);
    m_window.addToolBar(Qt::TopToolBarArea, m_toolBar3);
    applyToolBarLook();
}

void MainWindowBars::applyToolBarLook() {
    for (QToolBar* bar : {m_toolBar1, m_toolBar2}) {
        bar->setToolButtonStyle(m_settings.bShowCaption ? Qt::ToolButtonTextUnderIcon
                                                        : Qt::ToolButtonIconOnly);
        // A non-flat button keeps its frame; Qt draws tool buttons flat unless told otherwise.
        bar->setStyleSheet(m_settings.bFlatButton
                               ? QString()
                               : QStringLiteral("QToolButton { border: 1px outset palette(mid);"
                                                " min-width: 23px; min-height: 22px; }"));
    }
}

QProgressBar* MainWindowBars::buildStatusBar(QLabel* (&panels)[4]) {
    QStatusBar* bar = m_window.statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    const int widths[4] = {70, 70, 200, 50};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel;
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setMinimumWidth(widths[i]);
        if (i < 3)
            panel->setFixedWidth(widths[i]);
        panels[i] = panel;
        bar->addWidget(panel, i == 3 ? 1 : 0);
    }
    auto* progress = new QProgressBar;
    progress->setObjectName(QStringLiteral("RunProgress"));
    progress->setFixedWidth(180);
    progress->setTextVisible(true);
    progress->hide();
    bar->addPermanentWidget(progress);
    return progress;
}

} // namespace trevane
