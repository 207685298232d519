// The command list preview window driven through its real widgets: the lines and caption it
// is opened with, which typing does not change, and what each way of closing it does.

#include "dialogs/Commandunit.h"
#include "dialogs/MessageBox.h"
#include "engine/CommandPreview.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace trevane;

class CommandunitTest : public QObject {
    Q_OBJECT

private:
    // Runs act on the preview window once it is up and modal, from inside its own event loop.
    static void whenShown(std::function<void(TCommandForm&)> act) {
        QTimer::singleShot(0, qApp, [act] {
            auto* form = qobject_cast<TCommandForm*>(QApplication::activeModalWidget());
            QVERIFY2(form, "the preview window is modal and shown");
            form->activateWindow();
            QCoreApplication::processEvents();
            act(*form);
            // A way out that failed must fail the test, not leave the window waiting.
            if (form->isVisible())
                form->done(-1);
        });
    }

    static JobTable sampleTable() {
        JobTable table;
        table.linesToTable({"/data/,/bak,*.doc,,,,", "/x,/y,,,,,\"echo \"\"hi\"\"\"", "",
                            "/src,/arc/,,a%t.lzh,,,"});
        return table;
    }

private slots:
    void cleanup() {
        QCOMPARE(MessageBox::pendingAnswers(), 0);
        QCOMPARE(MessageBox::unansweredBoxes(), 0);
    }

    // Each way out: only the start button starts, and only after the window has gone.
    void closingDecidesWhetherTheJobStarts_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("starts");
        QTest::newRow("start button") << "StartBtn" << int(TCommandForm::Yes) << 1;
        QTest::newRow("close button") << "OKBtn" << int(TCommandForm::Ok) << 0;
        QTest::newRow("escape") << "escape" << int(QDialog::Rejected) << 0;
        QTest::newRow("enter") << "enter" << int(TCommandForm::Ok) << 0;
    }
    void closingDecidesWhetherTheJobStarts() {
        QFETCH(QString, how);
        QFETCH(int, result);
        QFETCH(int, starts);
        const JobTable table = sampleTable();
        int started = 0;
        bool windowGoneAtStart = false;
        whenShown([how](TCommandForm& form) {
            if (how == "escape" || how == "enter")
                QTest::keyClick(form.focusWidget() ? form.focusWidget() : &form,
                                how == "escape" ? Qt::Key_Escape : Qt::Key_Return);
            else
                form.findChild<QPushButton*>(how)->click();
        });
        const int got = TCommandForm::showPreview(
            nullptr, {table, "/Y/D", "-d1", "000115", "/home/u/CPL/daily.cpl"}, [&] {
                ++started;
                windowGoneAtStart = QApplication::activeModalWidget() == nullptr;
            });
        QCOMPARE(got, result);
        QCOMPARE(started, starts);
        if (starts)
            QVERIFY(windowGoneAtStart);
    }

    void showsTheLinesAndTheJobFileName() {
        const JobTable table = sampleTable();
        QString text, caption;
        whenShown([&](TCommandForm& form) {
            // The list only shows: typing into it changes no command.
            QTest::keyClicks(form.richEdit(), "rm -rf");
            QTest::keyClick(form.richEdit(), Qt::Key_Delete);
            text = form.richEdit()->toPlainText();
            caption = form.windowTitle();
            form.okButton()->click();
        });
        TCommandForm::showPreview(nullptr, {table, "/Y/D", "-d1", "000115", "/home/u/CPL/日次.cpl"},
                                  {});
        QCOMPARE(caption, QStringLiteral("実行コマンド一覧 - 日次.cpl"));
        const QStringList expected = {
            "xcopy \"/data/*.doc\" \"/bak\" /Y/D",
            "echo \"hi\"",
            "xcopy \"\" \"\" /Y/D",
            QStringLiteral("　=> ディレクトリ指定が不十分"),
            "u \"/arc/a000115.lzh\" \"/src/\" -d1",
        };
        QCOMPARE(text.split(QLatin1Char('\n')), expected);
    }

    void anEmptyTableStillNamesTheJobFile() {
        const JobTable table;
        QString text = QStringLiteral("unset"), caption;
        whenShown([&](TCommandForm& form) {
            text = form.richEdit()->toPlainText();
            caption = form.windowTitle();
            form.reject();
        });
        TCommandForm::showPreview(nullptr, {table, "/Y", "", "", "新規.cpl"}, {});
        QCOMPARE(text, QString());
        QCOMPARE(caption, QStringLiteral("実行コマンド一覧 - 新規.cpl"));
    }
};

QTEST_MAIN(CommandunitTest)
#include "tst_commandunit.moc"
