// The restore window driven as a user would: opened from the menu on an archive row, it shows
// the row's newest archive and restores it into the row's source, keeping a newer file until
// the overwrite box is ticked.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "app/RestoreController.h"
#include "dialogs/MessageBox.h"
#include "dialogs/RestoreDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "support/WindowTestHome.h"

using namespace trevane;

class RestoreWindowTest : public QObject {
    Q_OBJECT

    trevane::test::WindowTestHome m_home;

    QString path(const QString& name) const { return m_home.qpath() + QLatin1Char('/') + name; }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init() { m_home.start(); }
    void cleanup() { m_home.finish(); }

    void rowFoldersReadAsARunReadsThem() {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", m_home.qpath().toLocal8Bit());
        JobTable table;
        table.setRowCount(4);
        table.setCell(JobTable::SourceColumn, 1, " ~/src ");
        table.setCell(JobTable::DestinationColumn, 1, "~/bak");
        table.setCell(JobTable::SourceColumn, 2, "/src");
        table.setCell(JobTable::DestinationColumn, 2, "bak");
        const RestoreController::RowBackup backup = RestoreController::rowBackup(table, 1);
        // A folder a run refuses names no backup: not one below wherever the program started.
        const RestoreController::RowBackup relative = RestoreController::rowBackup(table, 2);
        qputenv("HOME", home);
        QCOMPARE(backup.from + QLatin1Char('|') + backup.to, path("bak") + "|" + path("src"));
        QVERIFY(backup.refused.isEmpty());
        QCOMPARE(relative.from + QLatin1Char('|') + relative.to, QStringLiteral("|/src"));
        QCOMPARE(relative.refused,
                 QStringList{QStringLiteral(
                     "2 行目: コピー先ディレクトリ「bak」は絶対パスではないのでスキップしました")});
    }

    void restoreTheSelectedRowsArchive() {
        QVERIFY(QDir(m_home.qpath()).mkpath("src/sub") && QDir(m_home.qpath()).mkpath("bak"));
        write("src/a.txt", "alpha");
        write("src/sub/b.txt", "beta");
        QProcess archiver;
        archiver.start(QStringLiteral(TREVANE_BIN_DIR "/unlha"),
                       {"u", path("bak/save0101.lzh"), path("src") + "/", "-d1"});
        QVERIFY(archiver.waitForFinished(60000) && archiver.exitCode() == 0);
        write("src/a.txt", "mine"); // changed after the backup: newer
        QFile newer(path("src/a.txt"));
        QVERIFY(newer.open(QIODevice::Append) &&
                newer.setFileTime(QDateTime::currentDateTime().addDays(1),
                                  QFileDevice::FileModificationTime));
        QVERIFY(QFile::remove(path("src/sub/b.txt")));

        TMainForm form;
        form.document().setEditText(1, 1, path("src").toStdString());
        form.document().setEditText(2, 1, path("bak").toStdString());
        form.document().setEditText(4, 1, "save%t.lzh");
        form.grid()->jobModel()->reload();
        form.grid()->setCurrentIndex(form.grid()->model()->index(0, 0));
        form.action("Restore")->trigger();
        auto* dlg = form.findChild<RestoreDialog*>();
        QVERIFY(dlg);
        QCOMPARE(dlg->findChild<QLineEdit*>("fromEdit")->text(), path("bak/save0101.lzh"));
        QCOMPARE(dlg->findChild<QLineEdit*>("targetEdit")->text(), path("src"));
        auto* tree = dlg->findChild<QTreeWidget*>("memberTree");
        QTRY_COMPARE(tree->topLevelItemCount(), 2); // a.txt and the folder sub
        auto* summary = dlg->findChild<QLabel*>("summaryLabel");
        auto* overwrite = dlg->findChild<QCheckBox*>("overwriteBox");
        QVERIFY(!overwrite->isChecked());

        // From the keyboard: Alt and the button's letter.
        dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlg));
        QTest::keyClick(dlg, Qt::Key_R, Qt::AltModifier);
        QTRY_VERIFY(!summary->text().isEmpty());
        QCOMPARE(summary->text(),
                 QStringLiteral(
                     "1 個のファイルを復元しました。新しいファイル 1 個はそのままにしました"));
        QCOMPARE(read("src/a.txt"), QByteArray("mine"));
        QCOMPARE(read("src/sub/b.txt"), QByteArray("beta"));
        auto* progress = dlg->findChild<QProgressBar*>("progressBar");
        QCOMPARE(progress->value(), progress->maximum());

        // Overwriting asks first with the count; "いいえ" writes nothing.
        // The decisions show before anything is written, and follow the box.
        QTreeWidgetItem* a = tree->findItems(QStringLiteral("a.txt"), Qt::MatchExactly).first();
        QCOMPARE(a->text(3), QStringLiteral("新しいので残す"));
        a->setSelected(true);
        overwrite->click();
        QTRY_COMPARE(a->text(3), QStringLiteral("置き換える (元のものは移す)"));
        auto* selected = dlg->findChild<QPushButton*>("restoreSelectedButton");
        QTRY_VERIFY(selected->isEnabled());
        summary->clear();
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::mouseClick(selected, Qt::LeftButton);
        QTRY_COMPARE(MessageBox::pendingAnswers(), 0);
        QVERIFY(MessageBox::lastText().startsWith(QStringLiteral("上書きされるファイル: 1 個\n")));
        QTRY_VERIFY(selected->isEnabled());
        QCOMPARE(read("src/a.txt"), QByteArray("mine"));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(selected, Qt::LeftButton);
        QTRY_VERIFY(summary->text().startsWith(QStringLiteral(
            "1 個のファイルを復元しました。置き換えたもの 1 個は .trevane-replaced/")));
        QCOMPARE(read("src/a.txt"), QByteArray("alpha"));
        form.document().discardChanges();
    }
};

QTEST_MAIN(RestoreWindowTest)
#include "tst_restore.moc"
