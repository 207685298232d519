// The options dialog driven through its real widgets: loading and storing the settings, the
// time fields, the weekday rule, the most-log-lines field and the registered job list file.

#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "dialogs/Optionunit.h"
#include "dialogs/TAboutBox.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace trevane;

class OptionsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir* m_home = nullptr;
    std::string folder() const { return toBytes(m_home->path()); }
    QString listPath() const { return m_home->filePath(QStringLiteral("BGCopyList.txt")); }
    QByteArray listBytes() const {
        QFile file(listPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void writeList(const QByteArray& bytes) const {
        QFile file(listPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    template <typename T> static T* child(QDialog& dialog, const char* name) {
        T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    static QLineEdit* edit(QDialog& d, const char* name) { return child<QLineEdit>(d, name); }
    static QCheckBox* box(QDialog& d, const char* name) { return child<QCheckBox>(d, name); }
    static QListWidget* list(QDialog& d, const char* name) { return child<QListWidget>(d, name); }
    static void click(QDialog& d, const char* name) { child<QAbstractButton>(d, name)->click(); }
    static QStringList entries(QDialog& d) {
        QStringList names;
        QListWidget* jobs = list(d, "BGCopyFileListBox");
        for (int i = 0; i < jobs->count(); ++i)
            names << jobs->item(i)->text();
        return names;
    }
    static void leave(QLineEdit* field) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &out);
    }
    static Settings sample() {
        Settings s;
        s.asApplicationFullPath = "/usr/bin/mousepad";
        s.asTime0 = "08:00";
        s.asTime1 = "";
        s.asTime2 = "20:30";
        s.asDateTimeFormat = "yyyy'年'mm'月'dd'日'";
        s.iMaxLog = 1234;
        s.bDoCopyByDClick = true;
        s.iTaskTrayClick = 3;
        s.iTaskTrayDblClick = 2;
        s.bAutoStart = true;
        s.bAutoTimer = true;
        s.bShowAtStart = false;
        s.bAddLog = false;
        s.bExitOnJobEnd = true;
        s.bDayOfWeek0 = false;
        s.bDayOfWeek6 = false;
        return s;
    }

private slots:
    void init() {
        m_home = new QTemporaryDir;
        // The autostart entry goes to the temporary folder, never to the user's own.
        qputenv("XDG_CONFIG_HOME", m_home->filePath(QStringLiteral("config")).toLocal8Bit());
    }
    void cleanup() {
        QCOMPARE(MessageBox::pendingAnswers(), 0);
        QCOMPARE(FileDialogs::pendingAnswers(), 0);
        QCOMPARE(MessageBox::unansweredBoxes(), 0);
        delete m_home;
    }

    void opensWithItsPagesAndTheSettings() {
        Settings s = sample();
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        auto* pages = dlg.findChild<QTabWidget*>();
        QVERIFY(pages);
        QCOMPARE(pages->currentIndex(), 0);
        QVERIFY(child<QPushButton>(dlg, "OKBtn")->isDefault());

        // The empty second slot: box 2 clear, its field disabled and still "00:00".
        QVERIFY(box(dlg, "ckTime0")->isChecked());
        QVERIFY(!box(dlg, "ckTime1")->isChecked());
        QVERIFY(box(dlg, "ckTime2")->isChecked());
        QVERIFY(edit(dlg, "meTime0")->isEnabled());
        QVERIFY(!edit(dlg, "meTime1")->isEnabled());
        QVERIFY(edit(dlg, "meTime2")->isEnabled());
        QCOMPARE(edit(dlg, "meTime0")->text(), QStringLiteral("08:00"));
        QCOMPARE(edit(dlg, "meTime1")->text(), QStringLiteral("00:00"));
        QCOMPARE(edit(dlg, "meTime2")->text(), QStringLiteral("20:30"));
        QCOMPARE(edit(dlg, "meTime0")->toolTip(), QStringLiteral("Timer Start Time"));

        QCOMPARE(edit(dlg, "edViewer")->text(), QStringLiteral("/usr/bin/mousepad"));
        QCOMPARE(edit(dlg, "edMaxLog")->text(), QStringLiteral("1234"));
        QCOMPARE(edit(dlg, "edDateTimeFormat")->text(), QStringLiteral("yyyy'年'mm'月'dd'日'"));
        QVERIFY(child<QRadioButton>(dlg, "rgFileDClick1")->isChecked());
        QVERIFY(child<QRadioButton>(dlg, "rgTaskTrayClick3")->isChecked());
        QVERIFY(child<QRadioButton>(dlg, "rgTaskTrayDblClick2")->isChecked());
        QCOMPARE(child<QRadioButton>(dlg, "rgTaskTrayClick1")->text(),
                 QStringLiteral("メインウインドウの表示/非表示切替"));
        QVERIFY(box(dlg, "ckAutoStart")->isChecked());
        QVERIFY(box(dlg, "ckAutoTimer")->isChecked());
        QVERIFY(!box(dlg, "ckShowAtStart")->isChecked());
        QVERIFY(!box(dlg, "ckAddLog")->isChecked());
        QVERIFY(box(dlg, "ckExitOnJobEnd")->isChecked());
        QListWidget* days = list(dlg, "clDayOfWeek");
        const QStringList names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        for (int d = 0; d < 7; ++d) {
            QCOMPARE(days->item(d)->text(), names[d]);
            QCOMPARE(days->item(d)->checkState() == Qt::Checked, d != 0 && d != 6);
        }
        QVERIFY(entries(dlg).isEmpty()); // no BGCopyList.txt
    }

    void okStoresWhatWasLoaded() {
        writeList("daily.cpl\r\n夜間.cpl\r\n");
        const Settings original = sample();
        Settings s = original;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        QCOMPARE(entries(dlg), QStringList({"daily.cpl", "夜間.cpl"}));
        click(dlg, "OKBtn");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(s == original);
        QCOMPARE(listBytes(), QByteArray("daily.cpl\r\n夜間.cpl\r\n"));
        QVERIFY(dlg.listWriteResult().ok);
    }

    void okStoresEveryControl() {
        Settings s; // defaults: no times, all days
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {"a.cpl", "b.cpl"});
        QVERIFY(!edit(dlg, "meTime1")->isEnabled());
        click(dlg, "ckTime1");
        QVERIFY(edit(dlg, "meTime1")->isEnabled());
        edit(dlg, "meTime1")->setText(QStringLiteral("7:05"));
        click(dlg, "ckTime2");
        edit(dlg, "meTime2")->setText(QStringLiteral("21:45"));
        click(dlg, "ckTime2"); // unchecked again: its time is not stored
        QVERIFY(!edit(dlg, "meTime2")->isEnabled());
        QCOMPARE(edit(dlg, "meTime2")->text(), QStringLiteral("21:45"));
        edit(dlg, "edViewer")->setText(QStringLiteral("/opt/view er"));
        edit(dlg, "edDateTimeFormat")->setText(QStringLiteral("yymmddhhnn"));
        child<QRadioButton>(dlg, "rgTaskTrayClick0")->click();
        child<QRadioButton>(dlg, "rgTaskTrayDblClick3")->click();
        child<QRadioButton>(dlg, "rgFileDClick1")->click();
        click(dlg, "ckAutoStart");
        click(dlg, "ckExitOnJobEnd");
        click(dlg, "ckAddLog");
        click(dlg, "ckVerify");
        list(dlg, "clDayOfWeek")->item(3)->setCheckState(Qt::Unchecked);
        click(dlg, "AddAllBtn");
        click(dlg, "OKBtn");

        QCOMPARE(s.asTime0, std::string());
        QCOMPARE(s.asTime1, std::string("7:05"));
        QCOMPARE(s.asTime2, std::string());
        QCOMPARE(s.asApplicationFullPath, std::string("/opt/view er"));
        QCOMPARE(s.asDateTimeFormat, std::string("yymmddhhnn"));
        QCOMPARE(s.iTaskTrayClick, 0);
        QCOMPARE(s.iTaskTrayDblClick, 3);
        QVERIFY(s.bDoCopyByDClick);
        QVERIFY(s.bAutoStart);
        QVERIFY(s.bExitOnJobEnd);
        QVERIFY(!s.bAddLog);
        QVERIFY(s.bVerify);
        QVERIFY(s.bShowAtStart);
        QVERIFY(!s.bDayOfWeek3);
        QVERIFY(s.bDayOfWeek2 && s.bDayOfWeek4);
        QCOMPARE(listBytes(), QByteArray("a.cpl\r\nb.cpl\r\n"));
    }

    void maxLogField_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("stored");
        QTest::newRow("below the least") << "50"
                                         << "100" << 100;
        QTest::newRow("just below") << "99"
                                    << "100" << 100;
        QTest::newRow("the least") << "100"
                                   << "100" << 100;
        QTest::newRow("large") << "5000"
                               << "5000" << 5000;
        QTest::newRow("not a number") << "abc"
                                      << "abc" << 500;
        QTest::newRow("empty") << ""
                               << "" << 500;
    }
    void maxLogField() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, stored);
        Settings s;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        QLineEdit* field = edit(dlg, "edMaxLog");
        field->clear();
        QTest::keyClicks(field, typed);
        leave(field);
        QCOMPARE(field->text(), shown);
        click(dlg, "OKBtn");
        QCOMPARE(s.iMaxLog, stored);
    }

    void switchingWindowsDoesNotLeaveTheMaxLogField() {
        Settings s;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        QLineEdit* field = edit(dlg, "edMaxLog");
        field->setText(QStringLiteral("2"));
        for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
            QFocusEvent out(QEvent::FocusOut, reason);
            QApplication::sendEvent(field, &out);
        }
        QCOMPARE(field->text(), QStringLiteral("2"));
    }

    void enterInTheMaxLogFieldAppliesItsRule() {
        Settings s;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        QLineEdit* field = edit(dlg, "edMaxLog");
        field->setText(QStringLiteral("20"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), QStringLiteral("100"));
    }

    void uncheckingEveryWeekdayClearsTheStartTimes() {
        Settings s;
        s.asTime0 = "06:00";
        s.asTime1 = "12:00";
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        QListWidget* days = list(dlg, "clDayOfWeek");
        for (int d = 0; d < 6; ++d)
            days->item(d)->setCheckState(Qt::Unchecked);
        QVERIFY(box(dlg, "ckTime0")->isChecked()); // one day left: nothing happens yet
        days->item(6)->setCheckState(Qt::Unchecked);
        for (const char* name : {"ckTime0", "ckTime1", "ckTime2"})
            QVERIFY(!box(dlg, name)->isChecked());
        for (const char* name : {"meTime0", "meTime1", "meTime2"})
            QVERIFY(!edit(dlg, name)->isEnabled());
        click(dlg, "OKBtn");
        QCOMPARE(s.asTime0, std::string());
        QCOMPARE(s.asTime1, std::string());
        for (int d = 0; d < 7; ++d)
            QVERIFY(!s.dayOfWeek(d));
    }

    void aFileWithNoWeekdayOpensWithItsTimes() {
        Settings s;
        s.asTime0 = "6:00";
        for (int d = 0; d < 7; ++d)
            s.setDayOfWeek(d, false);
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        QVERIFY(box(dlg, "ckTime0")->isChecked());
        QCOMPARE(edit(dlg, "meTime0")->text(), QStringLiteral("06:00")); // not "6_:00"
        QCOMPARE(edit(dlg, "meTime0")->displayText(), QStringLiteral("06:00"));
    }

    void cancelKeepsSettingsAndList() {
        writeList("keep.cpl\r\n");
        Settings s = sample();
        const Settings original = s;
        {
            TOptionDlg dlg(s, folder(), folder() + "/CPL", {"x.cpl"});
            click(dlg, "AddAllBtn");
            click(dlg, "ckAutoStart");
            edit(dlg, "edMaxLog")->setText(QStringLiteral("777"));
            click(dlg, "CancelBtn");
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
        }
        {
            TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
            list(dlg, "BGCopyFileListBox")->setCurrentRow(0);
            click(dlg, "RemoveBtn");
            QTest::keyClick(&dlg, Qt::Key_Escape);
        }
        QVERIFY(s == original);
        QCOMPARE(listBytes(), QByteArray("keep.cpl\r\n"));
    }

    void jobFileChooserAddsBareNamesOnce() {
        writeList("Daily.cpl\r\n");
        Settings s;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        FileDialogs::setNextAnswer(toQString(folder() + "/CPL/Weekly.cpl"));
        click(dlg, "refCPLFileBtn");
        QCOMPARE(FileDialogs::lastTitle(), QStringLiteral("CPLフォルダから開いてください"));
        FileDialogs::setNextAnswer(toQString(folder() + "/CPL/DAILY.CPL"));
        click(dlg, "refCPLFileBtn");
        // A file from elsewhere would run as the job-file folder's file of its name.
        FileDialogs::setNextAnswer(QStringLiteral("/elsewhere/Other.cpl"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(dlg, "refCPLFileBtn");
        QVERIFY(MessageBox::lastText().contains(QStringLiteral("CPLフォルダにないので登録できません")));
        FileDialogs::setNextAnswer(QString()); // cancelled
        click(dlg, "refCPLFileBtn");
        QCOMPARE(entries(dlg), QStringList({"Daily.cpl", "Weekly.cpl"}));
    }

    void addAllAndRemove() {
        writeList("old.cpl\r\nb.cpl\r\n");
        Settings s;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {"a.cpl", "b.cpl", "c.cpl"});
        click(dlg, "AddAllBtn");
        QCOMPARE(entries(dlg), QStringList({"a.cpl", "b.cpl", "c.cpl"}));
        QListWidget* jobs = list(dlg, "BGCopyFileListBox");
        jobs->clearSelection();
        click(dlg, "RemoveBtn"); // nothing selected
        QCOMPARE(entries(dlg).size(), 3);
        jobs->setCurrentRow(1);
        click(dlg, "RemoveBtn");
        QCOMPARE(entries(dlg), QStringList({"a.cpl", "c.cpl"}));
        jobs->setCurrentRow(0);
        click(dlg, "RemoveBtn");
        jobs->setCurrentRow(0);
        click(dlg, "RemoveBtn");
        QVERIFY(entries(dlg).isEmpty());
        click(dlg, "OKBtn");
        QVERIFY(QFile::exists(listPath()));
        QCOMPARE(listBytes(), QByteArray());
    }

    void removingTheLastJobRemovesOnlyIt() {
        writeList("a.cpl\r\nb.cpl\r\nc.cpl\r\n");
        Settings s;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        list(dlg, "BGCopyFileListBox")->setCurrentRow(2);
        click(dlg, "RemoveBtn");
        QCOMPARE(entries(dlg), QStringList({"a.cpl", "b.cpl"}));
        click(dlg, "RemoveBtn"); // no new selection: nothing goes
        QCOMPARE(entries(dlg), QStringList({"a.cpl", "b.cpl"}));
        click(dlg, "OKBtn");
        QCOMPARE(listBytes(), QByteArray("a.cpl\r\nb.cpl\r\n"));
    }

    void viewerChooserFillsTheViewerField() {
        Settings s;
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        FileDialogs::setNextAnswer(QStringLiteral("/usr/bin/less"));
        click(dlg, "RefViewerBtn");
        QCOMPARE(edit(dlg, "edViewer")->text(), QStringLiteral("/usr/bin/less"));
        FileDialogs::setNextAnswer(QString());
        click(dlg, "RefViewerBtn");
        QCOMPARE(dlg.viewer(), std::string("/usr/bin/less"));
        click(dlg, "OKBtn");
        QCOMPARE(s.asApplicationFullPath, std::string("/usr/bin/less"));
    }

    void aListThatCannotBeWrittenIsReportedAfterTheSettingsAreStored() {
        Settings s;
        TOptionDlg dlg(s, folder() + "/no such folder", folder() + "/CPL", {"a.cpl"});
        click(dlg, "AddAllBtn");
        click(dlg, "ckAutoTimer");
        MessageBox::setNextAnswer(QMessageBox::Ok);
        click(dlg, "OKBtn");
        QVERIFY(s.bAutoTimer);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.listWriteResult().ok);
        QVERIFY(MessageBox::lastText().startsWith(
            QStringLiteral("登録ジョブリストを保存できませんでした。")));
    }

    void typedStartTimes_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("stored");
        QTest::newRow("four digits") << "0800"
                                     << "08:00" << true;
        QTest::newRow("last minute") << "2359"
                                     << "23:59" << true;
        QTest::newRow("three digits") << "800"
                                      << "80:0_" << false;
        QTest::newRow("no such hour") << "2500"
                                      << "25:00" << false;
    }
    void typedStartTimes() {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(bool, stored);
        Settings s;
        s.asTime0 = "06:00";
        TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
        QLineEdit* field = edit(dlg, "meTime0");
        field->clear();
        field->setCursorPosition(0);
        QTest::keyClicks(field, keys);
        QCOMPARE(field->displayText(), shown);
        if (!stored)
            MessageBox::setNextAnswer(QMessageBox::Ok);
        click(dlg, "OKBtn");
        if (stored) {
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(s.asTime0, toBytes(shown));
        } else {
            // Refused with a word to the user; nothing stored, the dialog stays open.
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QCOMPARE(s.asTime0, std::string("06:00"));
            QVERIFY(MessageBox::lastText().startsWith(QStringLiteral("開始時刻１の時刻")));
        }
    }

    void startAtLoginWritesAndRemovesTheAutostartEntry() {
        const QString entry = m_home->filePath(QStringLiteral("config/autostart/trevane.desktop"));
        Settings s;
        {
            TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
            QCOMPARE(box(dlg, "ckStartAtLogin")->text(), QStringLiteral("ログイン時に起動する"));
            QVERIFY(!box(dlg, "ckStartAtLogin")->isChecked());
            click(dlg, "ckStartAtLogin");
            click(dlg, "OKBtn");
        }
        QFile written(entry);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains(
            "\nExec=" + QCoreApplication::applicationFilePath().toLocal8Bit() + "\n"));
        {
            TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
            QVERIFY(box(dlg, "ckStartAtLogin")->isChecked());
            click(dlg, "ckStartAtLogin");
            click(dlg, "CancelBtn");
        }
        QVERIFY(QFile::exists(entry));
        {
            TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
            click(dlg, "ckStartAtLogin");
            click(dlg, "OKBtn");
        }
        QVERIFY(!QFile::exists(entry));

        // A program given its profile by TREVANE_HOME starts with it at login too.
        qputenv("TREVANE_HOME", m_home->path().toLocal8Bit());
        {
            TOptionDlg dlg(s, folder(), folder() + "/CPL", {});
            click(dlg, "ckStartAtLogin");
            click(dlg, "OKBtn");
        }
        qunsetenv("TREVANE_HOME");
        written.close();
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray exec = written.readAll();
        QVERIFY2(exec.contains("\nExec=env TREVANE_HOME=" +
                               QFileInfo(m_home->path()).canonicalFilePath().toLocal8Bit() + " " +
                               QCoreApplication::applicationFilePath().toLocal8Bit() + "\n"),
                 exec);
    }

    void aboutBoxShowsTheVersionAndOpensItsLinks() {
        QApplication::setApplicationVersion(QStringLiteral("1.2.3"));
        std::vector<std::string> opened;
        TAboutBox about("/opt/t/help.md", "/opt/t",
                        [&](const std::string& p) { opened.push_back(p); });
        QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(about.findChild<QLabel*>("Version")->text(), QStringLiteral("Version 1.2.3"));
        emit about.findChild<QLabel*>("ManualLink")->linkActivated(QStringLiteral("open"));
        emit about.findChild<QLabel*>("FolderLink")->linkActivated(QStringLiteral("open"));
        QCOMPARE(opened, (std::vector<std::string>{"/opt/t/help.md", "/opt/t"}));
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
