// The yardstick for the program's own start-up and exit in bench/job/run.sh: a bare Qt
// program that builds a window of the same content as the program's at start (a menu bar, two
// tool bars of the style's standard icons, the job table's captions, the option list's texts,
// a file list, text panels with their captions, the bold timer label, the status bar and the
// log's two lines of a job), shows it, and quits once it has been painted, as the program
// paints its window before a job of one empty row has ended. What the program does beyond
// this (settings, files, the job, the tray icon) is what the benchmark weighs.
#include "jobs/JobOptions.h"
#include "jobs/JobTable.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QHBoxLayout>
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
    auto* timer = new QLabel(QStringLiteral("Timer Off"));
    QFont bold = timer->font();
    bold.setBold(true);
    timer->setFont(bold);
    window.addToolBar(QStringLiteral("時刻"))->addWidget(timer);

    auto* files = new QListWidget;
    files->addItem(new QListWidgetItem(app.style()->standardIcon(QStyle::SP_FileIcon),
                                       QStringLiteral("job.cpl")));
    const auto& captions = trevane::JobTable::headerTexts();
    auto* model = new QStandardItemModel(1, static_cast<int>(captions.size()) - 1, &window);
    for (std::size_t c = 1; c < captions.size(); ++c)
        model->setHorizontalHeaderItem(static_cast<int>(c - 1),
                                       new QStandardItem(trevane::toQString(captions[c])));
    auto* table = new QTableView;
    table->setModel(model);
    table->resizeColumnsToContents(); // the program widens its columns to their captions
    auto* options = new QListWidget;
    for (std::string_view text : trevane::JobOptions::itemTexts()) {
        auto* item = new QListWidgetItem(trevane::toQString(text), options);
        item->setCheckState(Qt::Unchecked);
    }
    auto* optionPanel = new QWidget;
    auto* optionLayout = new QVBoxLayout(optionPanel);
    optionLayout->setContentsMargins(0, 0, 0, 0);
    auto* dateRow = new QHBoxLayout;
    auto* date = new QLineEdit;
    date->setInputMask(QStringLiteral("9999-99-99;_"));
    date->setText(QStringLiteral("1998-01-01"));
    dateRow->addWidget(new QLabel(QStringLiteral("/Dオプションの日付指定：YYYY-MM-DD")));
    dateRow->addWidget(date);
    optionLayout->addLayout(dateRow);
    optionLayout->addWidget(options, 1);
    auto* lower = new QSplitter(Qt::Horizontal);
    lower->addWidget(optionPanel);
    lower->addWidget(captioned(QStringLiteral("実行ジョブファイルリスト"), new QTextEdit));
    auto* log = new QPlainTextEdit;
    log->setReadOnly(true);
    log->setPlainText(
        QStringLiteral("Job Start @ 7 Dec 2026 13:19:32\nJob End @ 7 Dec 2026 13:19:32\n"));
    auto* right = new QSplitter(Qt::Vertical);
    right->addWidget(table);
    right->addWidget(lower);
    right->addWidget(log);
    auto* main = new QSplitter(Qt::Horizontal);
    main->addWidget(captioned(QStringLiteral("CPL\\"), files));
    main->addWidget(right);
    window.setCentralWidget(main);

    const QString panelTexts[4] = {QStringLiteral("ready"), QString(),
                                   QStringLiteral("xcopy /Y/D/S/I/K || u -d1"), QString()};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(panelTexts[i]);
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
