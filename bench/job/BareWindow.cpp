// The yardstick for the program's own start-up and exit in bench/job/run.sh: a bare Qt
// program that builds a window of the same kind of content as the program's (a menu bar, two
// tool bars of the style's standard icons, a table with a header, lists, text panels and a
// status bar, all with Japanese texts), shows it, and quits once it has been painted, as the
// program paints its window before a job of one empty row has ended.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Quits from the event loop turn after the first paint of the watched widget.
class QuitAfterPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};

QWidget* captioned(const QString& caption, QWidget* content) {
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* label = new QLabel(caption);
    label->setFrameShape(QFrame::Panel);
    layout->addWidget(label);
    layout->addWidget(content, 1);
    return panel;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ベンチ - 窓"));

    const QStringList menus = {QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                               QStringLiteral("実行(&D)"), QStringLiteral("表示(&W)"),
                               QStringLiteral("ヘルプ(&H)")};
    int key = 0;
    for (const QString& caption : menus) {
        QMenu* menu = window.menuBar()->addMenu(caption);
        for (int i = 0; i < 6; ++i)
            menu->addAction(QStringLiteral("項目その%1の操作(&%1)...").arg(i + 1),
                            QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + key++ % 26)));
    }

    const QStyle::StandardPixmap icons[2][8] = {
        {QStyle::SP_FileIcon, QStyle::SP_DialogOpenButton, QStyle::SP_DialogSaveButton,
         QStyle::SP_DriveFDIcon, QStyle::SP_TrashIcon, QStyle::SP_FileDialogDetailedView,
         QStyle::SP_FileDialogContentsView, QStyle::SP_DirOpenIcon},
        {QStyle::SP_MediaPlay, QStyle::SP_MediaStop, QStyle::SP_BrowserReload,
         QStyle::SP_FileDialogInfoView, QStyle::SP_FileDialogListView, QStyle::SP_DirHomeIcon,
         QStyle::SP_TitleBarMinButton, QStyle::SP_DriveHDIcon}};
    for (const auto& row : icons) {
        QToolBar* bar = window.addToolBar(QStringLiteral("ツール"));
        bar->setIconSize(QSize(16, 16));
        for (QStyle::StandardPixmap icon : row)
            bar->addAction(app.style()->standardIcon(icon), QStringLiteral("ボタン"))
                ->setToolTip(QStringLiteral("ボタンの説明"));
    }
    window.addToolBarBreak();
    window.addToolBar(QStringLiteral("時刻"))->addWidget(new QLabel(QStringLiteral("Timer Off")));

    auto* files = new QListWidget;
    auto* model = new QStandardItemModel(1, 7, &window);
    model->setHorizontalHeaderLabels(
        {QStringLiteral("元のフォルダ"), QStringLiteral("先のフォルダ"), QStringLiteral("名前"),
         QStringLiteral("書庫の名前(.lzh)"), QStringLiteral("コピーの指定(/D/S等)"),
         QStringLiteral("圧縮の指定(-d1等)"), QStringLiteral("コマンド行")});
    auto* table = new QTableView;
    table->setModel(model);
    auto* options = new QListWidget;
    for (int i = 0; i < 14; ++i)
        options->addItem(QStringLiteral("/%1 選択肢の説明その%1").arg(i + 1));
    for (int i = 0; i < options->count(); ++i)
        options->item(i)->setCheckState(Qt::Unchecked);
    auto* optionPanel = new QWidget;
    auto* optionLayout = new QVBoxLayout(optionPanel);
    optionLayout->setContentsMargins(0, 0, 0, 0);
    auto* date = new QLineEdit;
    date->setInputMask(QStringLiteral("9999-99-99;_"));
    optionLayout->addWidget(new QLabel(QStringLiteral("日付の指定：YYYY-MM-DD")));
    optionLayout->addWidget(date);
    optionLayout->addWidget(options, 1);
    auto* lower = new QSplitter(Qt::Horizontal);
    lower->addWidget(optionPanel);
    lower->addWidget(captioned(QStringLiteral("実行待ちの一覧"), new QTextEdit));
    auto* log = new QPlainTextEdit;
    log->setReadOnly(true);
    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(table);
    right->addWidget(lower);
    right->addWidget(log);
    auto* main = new QSplitter(Qt::Horizontal);
    main->addWidget(captioned(QStringLiteral("一覧\\"), files));
    main->addWidget(right);
    window.setCentralWidget(main);

    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(i == 0 ? QStringLiteral("ready") : QString());
        panel->setFrameShape(QFrame::Panel);
        panel->setMinimumWidth(50);
        window.statusBar()->addWidget(panel, i == 3 ? 1 : 0);
    }

    QuitAfterPaint quit;
    log->viewport()->installEventFilter(&quit);
    window.resize(701, 416);
    window.show();
    return app.exec();
}
