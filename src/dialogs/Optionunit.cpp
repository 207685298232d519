#include "dialogs/Optionunit.h"

#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "dialogs/ScreenCentre.h"
#include "jobs/AutostartEntry.h"
#include "jobs/MaxLogLines.h"
#include "jobs/ProgramFiles.h"
#include "jobs/RegisteredJobList.h"
#include "jobs/TimerScheduler.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace trevane {

namespace {

const char* const TrayActions[] = {"なにもしない", "メインウインドウの表示/非表示切替",
                                   "開いているジョブを実行", "登録したジョブを実行"};
const char* const DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// A hint in the program's two-part form: tooltip, "|", the long text for a status line.
void setHint(QWidget* widget, const QString& hint) {
    int bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

QCheckBox* checkBox(const char* name, const char* caption) {
    auto* box = new QCheckBox(QString::fromUtf8(caption));
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// A captioned frame of radio buttons whose index is the value it stands for. The group owns
// its buttons; the QButtonGroup is parented to the frame.
QGroupBox* radioGroup(const char* name, const char* caption,
                      std::initializer_list<const char*> items, QButtonGroup*& group) {
    auto* frame = new QGroupBox(QString::fromUtf8(caption));
    frame->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(frame);
    group = new QButtonGroup(frame);
    int index = 0;
    for (const char* item : items) {
        auto* button = new QRadioButton(QString::fromUtf8(item));
        button->setObjectName(QString::fromLatin1(name) + QString::number(index));
        group->addButton(button, index++);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    return frame;
}

void selectRadio(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    // A value outside the group (a hand-edited settings file) selects nothing; OK then stores
    // -1, an action that does nothing.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

QPushButton* pushButton(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TOptionDlg::TOptionDlg(Settings& settings, std::string programFolder, std::string jobFileFolder,
                       std::vector<std::string> jobFileEntries, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_programFolder(std::move(programFolder)),
      m_jobFileFolder(std::move(jobFileFolder)), m_jobFileEntries(std::move(jobFileEntries)),
      m_configFolder(userConfigFolder()) {
    setObjectName(QStringLiteral("OptionDlg"));
    setWindowTitle(QStringLiteral("オプション"));
    setModal(true);
    buildPages();
    FormCreate();
}

void TOptionDlg::buildPages() {
    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->addTab(buildJobListPage(), QStringLiteral("登録ジョブ"));
    m_pages->addTab(buildTimerPage(), QStringLiteral("タイマー"));
    m_pages->addTab(buildTrayPage(), QStringLiteral("タスクトレイ"));
    m_pages->addTab(buildLogPage(), QStringLiteral("ログ"));
    m_pages->addTab(buildOtherPage(), QStringLiteral("その他"));
    m_pages->setCurrentIndex(0);

    QPushButton* ok = pushButton("OKBtn", "OK");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    QPushButton* cancel = pushButton("CancelBtn", "ｷｬﾝｾﾙ");
    connect(ok, &QPushButton::clicked, this, &TOptionDlg::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);
    resize(420, 330);
}

QWidget* TOptionDlg::buildJobListPage() {
    auto* page = new QWidget;
    auto* label =
        new QLabel(QStringLiteral("実行ジョブファイルリスト（タイマー設定時刻か、起動時実行）"));
    m_jobList = new QListWidget;
    m_jobList->setObjectName(QStringLiteral("BGCopyFileListBox"));
    m_jobList->setSelectionMode(QAbstractItemView::SingleSelection);
    label->setBuddy(m_jobList);
    QPushButton* refer = pushButton("refCPLFileBtn", "参照(&B)...");
    QPushButton* addAll = pushButton("AddAllBtn", "すべて追加");
    QPushButton* remove = pushButton("RemoveBtn", "削除");
    connect(refer, &QPushButton::clicked, this, &TOptionDlg::refCPLFileBtnClick);
    connect(addAll, &QPushButton::clicked, this, &TOptionDlg::AddAllBtnClick);
    connect(remove, &QPushButton::clicked, this, &TOptionDlg::RemoveBtnClick);
    m_autoStart = checkBox("ckAutoStart", "起動時に登録されたジョブファイルを実行する");

    auto* side = new QVBoxLayout;
    side->addWidget(refer);
    side->addWidget(addAll);
    side->addWidget(remove);
    side->addStretch(1);
    auto* grid = new QGridLayout(page);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(m_jobList, 1, 0);
    grid->addLayout(side, 1, 1);
    grid->addWidget(m_autoStart, 2, 0, 1, 2);
    grid->setRowStretch(1, 1);
    return page;
}

QWidget* TOptionDlg::buildTimerPage() {
    auto* page = new QWidget;
    auto* times = new QGridLayout;
    const char* captions[] = {"開始時刻１を設定", "開始時刻２を設定", "開始時刻３を設定"};
    for (int n = 0; n < 3; ++n) {
        m_timeBoxes[n] = checkBox(qPrintable(QStringLiteral("ckTime%1").arg(n)), captions[n]);
        m_times[n] = new QLineEdit;
        m_times[n]->setObjectName(QStringLiteral("meTime%1").arg(n));
        // Hours, colon, minutes: the first hour digit may stay blank, the other three are
        // required ("_" while unfilled). In Qt's masks "0" is the optional digit, "9" the
        // required one.
        m_times[n]->setInputMask(QStringLiteral("09:99;_"));
        m_times[n]->setText(QStringLiteral("00:00"));
        m_times[n]->setFixedWidth(
            m_times[n]->fontMetrics().horizontalAdvance(QStringLiteral("000:000")) + 12);
        setHint(m_times[n], QStringLiteral("Timer Start Time|タイマー起動時刻を設定して下さい"));
        connect(m_timeBoxes[n], &QCheckBox::toggled, this, [this, n] { ckTimeClick(n); });
        times->addWidget(m_timeBoxes[n], n, 0);
        times->addWidget(m_times[n], n, 1);
    }
    times->setColumnStretch(2, 1);
    times->setRowStretch(3, 1);

    m_days = new QListWidget;
    m_days->setObjectName(QStringLiteral("clDayOfWeek"));
    for (const char* day : DayNames) {
        auto* item = new QListWidgetItem(QString::fromLatin1(day), m_days);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    m_days->setFixedHeight(7 * m_days->sizeHintForRow(0) + 2 * m_days->frameWidth() + 2);
    m_days->setFixedWidth(m_days->fontMetrics().horizontalAdvance(QStringLiteral("Wednesday")) +
                          24);
    m_autoTimer = checkBox("ckAutoTimer", "起動時にタイマーを起動する");

    auto* upper = new QHBoxLayout;
    upper->addLayout(times, 1);
    upper->addWidget(m_days, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(upper, 1);
    layout->addWidget(m_autoTimer);
    return page;
}

QWidget* TOptionDlg::buildTrayPage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    std::initializer_list<const char*> items = {TrayActions[0], TrayActions[1], TrayActions[2],
                                                TrayActions[3]};
    layout->addWidget(radioGroup("rgTaskTrayClick", "クリック", items, m_trayClick));
    layout->addWidget(radioGroup("rgTaskTrayDblClick", "ダブルクリック", items, m_trayDblClick));
    return page;
}

QWidget* TOptionDlg::buildLogPage() {
    auto* page = new QWidget;
    auto* viewerGroup = new QGroupBox(QStringLiteral("ログビューア"));
    viewerGroup->setObjectName(QStringLiteral("gbViewer"));
    m_viewer = new QLineEdit;
    m_viewer->setObjectName(QStringLiteral("edViewer"));
    QPushButton* refer = pushButton("RefViewerBtn", "参照(&B)...");
    connect(refer, &QPushButton::clicked, this, &TOptionDlg::RefViewerBtnClick);
    auto* viewerRow = new QHBoxLayout(viewerGroup);
    viewerRow->addWidget(m_viewer, 1);
    viewerRow->addWidget(refer);

    auto* label = new QLabel(QStringLiteral("ログの最大行数"));
    m_maxLog = new QLineEdit;
    m_maxLog->setObjectName(QStringLiteral("edMaxLog"));
    m_maxLog->setToolTip(QStringLiteral("ﾛｸﾞの最大行数"));
    m_maxLog->setStatusTip(QStringLiteral("ﾛｸﾞの最大行数"));
    m_maxLog->setFixedWidth(80);
    m_maxLog->installEventFilter(this);
    // Enter presses OK while the field has the focus; the field's rule comes first.
    connect(m_maxLog, &QLineEdit::returnPressed, this, &TOptionDlg::edMaxLogExit);
    label->setBuddy(m_maxLog);
    auto* maxRow = new QHBoxLayout;
    maxRow->addWidget(label);
    maxRow->addWidget(m_maxLog);
    maxRow->addStretch(1);
    m_notifyJobEnd = checkBox("ckNotifyJobEnd",
                              "ウインドウを隠しているとき、ジョブの終了をタスクトレイで知らせる");

    // Each run's whole log stays in the history this many days; 0 keeps it for ever.
    m_historyDays = new QSpinBox;
    m_historyDays->setObjectName(QStringLiteral("edHistoryDays"));
    m_historyDays->setRange(0, 36500);
    m_historyDays->setSpecialValueText(QStringLiteral("無期限"));
    auto* historyLabel = new QLabel(QStringLiteral("実行履歴を残す日数"));
    historyLabel->setBuddy(m_historyDays);
    auto* historyRow = new QHBoxLayout;
    historyRow->addWidget(historyLabel);
    historyRow->addWidget(m_historyDays);
    historyRow->addStretch(1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(viewerGroup);
    layout->addLayout(maxRow);
    layout->addLayout(historyRow);
    layout->addWidget(m_notifyJobEnd);
    layout->addStretch(1);
    return page;
}

QWidget* TOptionDlg::buildOtherPage() {
    auto* page = new QWidget;
    QGroupBox* fileDClick = radioGroup("rgFileDClick", "ジョブファイルのダブルクリック",
                                       {"開く", "コピー開始"}, m_fileDClick);
    m_showAtStart = checkBox("ckShowAtStart", "起動時にウインドウを表示する");
    m_addLog = checkBox("ckAddLog", "xcopy時にログを保存する");
    m_verify = checkBox("ckVerify", "バックアップ後に検証する");
    m_exitOnJobEnd = checkBox("ckExitOnJobEnd", "ジョブ終了時にアプリケーションを終了する");
    m_startAtLogin = checkBox("ckStartAtLogin", "ログイン時に起動する");
    auto* label = new QLabel(QStringLiteral("%tを変換後の書式： ex. yyyy'年'mm'月'dd'日'hh:nn:ss"));
    m_dateTimeFormat = new QLineEdit;
    m_dateTimeFormat->setObjectName(QStringLiteral("edDateTimeFormat"));
    label->setBuddy(m_dateTimeFormat);

    auto* checks = new QVBoxLayout;
    checks->addWidget(m_showAtStart);
    checks->addWidget(m_addLog);
    checks->addWidget(m_verify);
    checks->addWidget(m_exitOnJobEnd);
    checks->addWidget(m_startAtLogin);
    checks->addStretch(1);
    auto* upper = new QHBoxLayout;
    upper->addWidget(fileDClick);
    upper->addLayout(checks, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(upper);
    layout->addWidget(label);
    layout->addWidget(m_dateTimeFormat);
    layout->addStretch(1);
    return page;
}

std::string TOptionDlg::listFilePath() const {
    return ProgramFiles{m_programFolder}.registeredListPath();
}

void TOptionDlg::FormCreate() {
    const Settings& s = m_settings;
    m_viewer->setText(toQString(s.asApplicationFullPath));
    const std::string* times[3] = {&s.asTime0, &s.asTime1, &s.asTime2};
    for (int n = 0; n < 3; ++n) {
        m_timeBoxes[n]->setChecked(!times[n]->empty());
        ckTimeClick(n); // setChecked reports no toggle when the state stays unchecked
    }
    for (int n = 0; n < 3; ++n) {
        if (!m_timeBoxes[n]->isChecked())
            continue;
        QString time = toQString(*times[n]);
        // The mask fills positions from the left, so "8:00" would show as "8_:00"; the hour
        // with a leading zero is the same time and shows as it should.
        if (time.size() == 4 && time[1] == QLatin1Char(':'))
            time.prepend(QLatin1Char('0'));
        m_times[n]->setText(time);
    }
    m_dateTimeFormat->setText(toQString(s.asDateTimeFormat));
    m_maxLog->setText(QString::number(s.iMaxLog));
    selectRadio(m_fileDClick, s.bDoCopyByDClick ? 1 : 0);
    selectRadio(m_trayClick, s.iTaskTrayClick);
    selectRadio(m_trayDblClick, s.iTaskTrayDblClick);
    m_autoStart->setChecked(s.bAutoStart);
    m_autoTimer->setChecked(s.bAutoTimer);
    m_showAtStart->setChecked(s.bShowAtStart);
    m_addLog->setChecked(s.bAddLog);
    m_verify->setChecked(s.bVerify);
    m_exitOnJobEnd->setChecked(s.bExitOnJobEnd);
    m_notifyJobEnd->setChecked(s.bNotifyJobEnd);
    m_historyDays->setValue(s.iHistoryDays);
    m_startedAtLogin = AutostartEntry(m_configFolder).exists();
    m_startAtLogin->setChecked(m_startedAtLogin);
    for (int day = 0; day < 7; ++day)
        m_days->item(day)->setCheckState(s.dayOfWeek(day) ? Qt::Checked : Qt::Unchecked);
    // Connected only now: loading a hand-edited file with no weekday keeps its times.
    connect(m_days, &QListWidget::itemChanged, this, &TOptionDlg::clDayOfWeekClick);

    RegisteredJobList::Loaded list = RegisteredJobList::read(listFilePath());
    for (const std::string& name : list.names)
        m_jobList->addItem(toQString(name));
}

void TOptionDlg::OKBtnClick() {
    if (!timesAreValid())
        return;
    Settings& s = m_settings;
    s.asApplicationFullPath = viewer();
    std::string* times[3] = {&s.asTime0, &s.asTime1, &s.asTime2};
    for (int n = 0; n < 3; ++n)
        *times[n] = m_timeBoxes[n]->isChecked() ? toBytes(m_times[n]->text()) : std::string();
    s.asDateTimeFormat = toBytes(m_dateTimeFormat->text());
    s.iMaxLog = MaxLogLines::valueToStore(toBytes(m_maxLog->text()));
    s.bDoCopyByDClick = m_fileDClick->checkedId() != 0;
    s.iTaskTrayClick = m_trayClick->checkedId();
    s.iTaskTrayDblClick = m_trayDblClick->checkedId();
    s.bAutoStart = m_autoStart->isChecked();
    s.bAutoTimer = m_autoTimer->isChecked();
    s.bShowAtStart = m_showAtStart->isChecked();
    s.bAddLog = m_addLog->isChecked();
    s.bVerify = m_verify->isChecked();
    s.bExitOnJobEnd = m_exitOnJobEnd->isChecked();
    s.bNotifyJobEnd = m_notifyJobEnd->isChecked();
    s.iHistoryDays = m_historyDays->value();
    for (int day = 0; day < 7; ++day)
        s.setDayOfWeek(day, m_days->item(day)->checkState() == Qt::Checked);
    applyStartAtLogin();

    m_listWrite = RegisteredJobList::write(listFilePath(), registeredJobs());
    if (!m_listWrite.ok) {
        // The settings are stored already; the user should still learn that the list is not.
        MessageBox::warning(this, QStringLiteral("登録ジョブリストを保存できませんでした。\n") +
                                      toQString(m_listWrite.error));
    }
    accept();
}

bool TOptionDlg::timesAreValid() {
    for (int n = 0; n < 3; ++n) {
        if (!m_timeBoxes[n]->isChecked() ||
            TimerScheduler::parseTimeOfDay(toBytes(m_times[n]->text())))
            continue;
        // A half-typed time ("80:0") would otherwise be stored and never start anything.
        m_pages->setCurrentIndex(1);
        MessageBox::warning(this, QStringLiteral("開始時刻%1の時刻が正しくありません。\n"
                                                 "00:00から23:59の間で入力してください。")
                                      .arg(QChar(0xFF11 + n)));
        m_times[n]->setFocus();
        return false;
    }
    return true;
}

void TOptionDlg::applyStartAtLogin() {
    // An untouched box leaves the entry as it is, whichever program it starts.
    const bool wanted = m_startAtLogin->isChecked();
    if (wanted == m_startedAtLogin)
        return;
    // A program given its profile by TREVANE_HOME starts with that profile at login too.
    WriteResult done =
        AutostartEntry(m_configFolder).set(wanted, executablePath(), profileFolder());
    if (!done.ok)
        MessageBox::warning(this, QStringLiteral("ログイン時の起動を設定できませんでした。\n") +
                                      toQString(done.error));
}

void TOptionDlg::edMaxLogExit() {
    if (std::optional<std::string> text = MaxLogLines::textOnExit(toBytes(m_maxLog->text())))
        m_maxLog->setText(toQString(*text));
}

void TOptionDlg::ckTimeClick(int slot) {
    if (slot >= 0 && slot < 3)
        m_times[slot]->setEnabled(m_timeBoxes[slot]->isChecked());
}

void TOptionDlg::clDayOfWeekClick() {
    for (int day = 0; day < 7; ++day)
        if (m_days->item(day)->checkState() == Qt::Checked)
            return;
    // No weekday, no start time: the timer would otherwise look for a day forever.
    for (QCheckBox* box : m_timeBoxes)
        box->setChecked(false);
}

void TOptionDlg::refCPLFileBtnClick() {
    QString path = FileDialogs::openFile(
        this, QStringLiteral("CPLフォルダから開いてください"), toQString(m_jobFileFolder),
        QStringLiteral("ｺﾋﾟｰ設定ﾌｧｲﾙ(*.cpl)"), QStringLiteral("cpl"));
    if (path.isEmpty())
        return;
    // The runner looks a registered name up in the job-file folder: a file from elsewhere would
    // run as that folder's file of the same name, or not at all.
    if (!isJobFileIn(m_jobFileFolder, toBytes(path))) {
        MessageBox::warning(this,
                            path + QStringLiteral("\nはCPLフォルダにないので登録できません。\n"
                                                  "CPLフォルダのジョブファイルを選んでください。"));
        return;
    }
    std::vector<std::string> names = registeredJobs();
    if (RegisteredJobList::addUnique(names, RegisteredJobList::bareName(toBytes(path))))
        m_jobList->addItem(toQString(names.back()));
}

void TOptionDlg::AddAllBtnClick() {
    m_jobList->clear();
    for (const std::string& name : m_jobFileEntries)
        m_jobList->addItem(toQString(name));
}

void TOptionDlg::RemoveBtnClick() {
    // Taking the selected entry out selects a neighbour, which the user never chose: decide
    // what goes first, and leave nothing selected afterwards.
    for (QListWidgetItem* item : m_jobList->selectedItems())
        delete m_jobList->takeItem(m_jobList->row(item));
    m_jobList->clearSelection();
}

void TOptionDlg::RefViewerBtnClick() {
    QString path = FileDialogs::openFile(
        this, QString(), QString(), QStringLiteral("exeﾌｧｲﾙ (*.exe);;すべてのﾌｧｲﾙ (*)"), QString());
    if (!path.isEmpty())
        m_viewer->setText(path);
}

std::string TOptionDlg::viewer() const {
    return toBytes(m_viewer->text());
}

std::vector<std::string> TOptionDlg::registeredJobs() const {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(m_jobList->count()));
    for (int row = 0; row < m_jobList->count(); ++row)
        names.push_back(toBytes(m_jobList->item(row)->text()));
    return names;
}

bool TOptionDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_maxLog && event->type() == QEvent::FocusOut) {
        // Switching to another window or opening the field's context menu does not leave it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            edMaxLogExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TOptionDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    centreOnScreen(this, screen());
}

} // namespace trevane
