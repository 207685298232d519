// Editing the job table through the window: menu commands, clipboard, questions, keys, header
// presses and row moves.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/MessageBox.h"
#include "jobs/AtomicFile.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "support/WindowTestHome.h"

using namespace trevane;

class EditTest : public QObject {
    Q_OBJECT

    trevane::test::WindowTestHome m_home;

    // Five runnable rows "s1,d1" .. "s5,d5" and the entry row.
    static void fill(TMainForm& form) {
        for (int r = 1; r <= 5; ++r) {
            form.document().setEditText(1, r, "s" + std::to_string(r));
            form.document().setEditText(2, r, "d" + std::to_string(r));
        }
        form.grid()->jobModel()->reload();
        form.document().discardChanges();
    }
    static std::string column1(TMainForm& form) {
        std::string out;
        for (int r = 1; r < form.table().rowCount(); ++r)
            out += (form.table().cell(1, r).empty() ? "-" : form.table().cell(1, r)) + " ";
        return out;
    }

private slots:
    void init() { m_home.start(); }
    void cleanup() { m_home.finish(); }

    void insertThreeRowsThenUndo() {
        TMainForm form;
        fill(form);
        form.grid()->setGridSelection({1, 2, 3, 4, 1, 2});
        form.action("InsertRow")->trigger();
        QCOMPARE(column1(form), std::string("s1 - - - s2 s3 s4 s5 - "));
        QCOMPARE(form.table().cell(0, 9), std::string("9"));
        QVERIFY(form.isModified());
        form.action("EditUndo")->trigger();
        QCOMPARE(column1(form), std::string("s1 s2 s3 s4 s5 - "));
    }

    void deleteRowsAsksAndUndoRestores() {
        TMainForm form;
        fill(form);
        form.grid()->setGridSelection({1, 2, 7, 3, 1, 2});
        MessageBox::setNextAnswer(QMessageBox::No);
        form.action("RowDelete")->trigger();
        QCOMPARE(column1(form), std::string("s1 s2 s3 s4 s5 - "));
        MessageBox::setNextAnswer(QMessageBox::Yes);
        form.action("RowDelete")->trigger();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("選択行を削除して上方向に詰めますか？"));
        QCOMPARE(column1(form), std::string("s1 s4 s5 - "));
        form.action("EditUndo")->trigger();
        QCOMPARE(column1(form), std::string("s1 s2 s3 s4 s5 - "));
    }

    void clipboardCutCopyPaste() {
        TMainForm form;
        fill(form);
        form.grid()->setGridSelection(GridSelection::cell(1, 3));
        form.action("EditCopy")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("s3"));
        QVERIFY(!form.isModified());
        form.grid()->setGridSelection({2, 1, 3, 3, 2, 1}); // 2 columns x 3 rows
        form.action("EditPaste")->trigger();
        for (int r = 1; r <= 3; ++r)
            for (int c = 2; c <= 3; ++c)
                QCOMPARE(form.table().cell(c, r), std::string("s3"));
        QVERIFY(form.isModified());
        form.grid()->setGridSelection(GridSelection::cell(1, 5));
        form.action("EditCut")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("s5"));
        QCOMPARE(form.table().cell(1, 5), std::string());
        form.action("EditUndo")->trigger();
        QCOMPARE(form.table().cell(1, 5), std::string("s5"));
    }

    void clearAsksFirst() {
        TMainForm form;
        fill(form);
        form.document().discardChanges();
        form.grid()->setGridSelection({1, 1, 2, 2, 1, 1});
        MessageBox::setNextAnswer(QMessageBox::No);
        form.action("ClearSelected")->trigger();
        QCOMPARE(form.table().cell(1, 1), std::string("s1"));
        QVERIFY(!form.isModified());
        MessageBox::setNextAnswer(QMessageBox::Yes);
        form.action("ClearSelected")->trigger();
        QCOMPARE(MessageBox::lastText(), QStringLiteral("選択セルの内容を消去しますか？"));
        QCOMPARE(form.table().cell(2, 2), std::string());
        QVERIFY(form.isModified());
    }

    void copyDownAndDuplicate() {
        TMainForm form;
        fill(form);
        form.grid()->setGridSelection(GridSelection::cell(3, 3));
        form.document().setEditText(3, 3, "*.txt");
        form.action("ColCopyAll")->trigger();
        for (int r = 1; r <= 5; ++r)
            QCOMPARE(form.table().cell(3, r), std::string("*.txt"));
        QCOMPARE(form.table().cell(3, 6), std::string()); // the entry row is left alone
        form.grid()->setGridSelection(GridSelection::cell(2, 2));
        form.action("RowCopy")->trigger();
        QCOMPARE(column1(form), std::string("s1 s2 s3 s4 s5 s2 - "));
    }

    void editingKeysStartEditingOthersDoNot() {
        TMainForm form;
        form.show();
        fill(form);
        form.document().discardChanges();
        QTableView* grid = form.grid();
        grid->setFocus();
        form.grid()->setGridSelection(GridSelection::cell(1, 1));
        QTest::keyClick(grid, Qt::Key_Down);
        QVERIFY(!form.isModified());
        QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        QTest::keyClick(grid, Qt::Key_A);
        QVERIFY(form.isModified());
        QVERIFY(grid->editTriggers() & QAbstractItemView::AnyKeyPressed);
        form.document().discardChanges();
        QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!form.isModified());
    }

    // Whatever starts an edit lands whole in the cell and in the saved file: a path's leading
    // "/" or "~", a pattern's "*" and ".", Japanese text from the input method.
    void typedTextLandsWholeInTheCell_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("composed"); // input-method text, committed before the keys
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("absolute") << 1 << "" << "/srv/data/src" << QByteArray("/srv/data/src,/d,,,,,");
        QTest::newRow("home") << 2 << "" << "~/backup" << QByteArray("/s,~/backup,,,,,");
        QTest::newRow("pattern") << 3 << "日本" << "*.txt" << QByteArray("/s,/d,日本*.txt,,,,");
    }
    void typedTextLandsWholeInTheCell() {
        QFETCH(int, column);
        QFETCH(QString, composed);
        QFETCH(QString, keys);
        QFETCH(QByteArray, line);
        TMainForm form;
        form.show();
        QApplication::setActiveWindow(&form);
        form.document().setEditText(1, 1, "/s");
        form.document().setEditText(2, 1, "/d");
        form.grid()->setGridSelection(GridSelection::cell(column, 1));
        if (!composed.isEmpty()) { // the input method keeps the focus on the grid meanwhile
            QInputMethodEvent preedit(composed, {}), commit;
            commit.setCommitString(composed);
            QApplication::sendEvent(form.grid(), &preedit);
            QApplication::sendEvent(form.grid(), &commit);
        }
        QTest::keyClicks(form.grid(), keys);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(form.table().cell(column, 1)), composed + keys);
        const std::string path = m_home.path() + "/CPL/typed.cpl";
        FileDialogs::setNextAnswer(QString::fromStdString(path));
        form.jobFiles().FileSaveClick();
        QCOMPARE(readWholeFile(path).bytes, std::string(QByteArray(line + "\r\n")));
    }

    // The /D date field takes only dates xcopy takes, as its mask takes only digits.
    void dateFieldRefusesImpossibleDates() {
        TMainForm form;
        auto* date = form.findChild<QLineEdit*>("DateMaskEdit");
        const char* cases[][2] = {{"20240229", "2024-02-29"}, {"20230229", "2023-02-21"},
                                  {"20240230", "2024-02-01"}, {"202413", "2024-11-01"},
                                  {"ab", "1998-01-01"}}; // keys typed over 1998-01-01, text kept
        for (const auto& [keys, text] : cases) {
            date->setText(QStringLiteral("1998-01-01"));
            QTest::keyClick(date, Qt::Key_Home);
            QTest::keyClicks(date, keys);
            QCOMPARE(date->text(), QString::fromLatin1(text));
        }
    }

    void undoKeyWinsOverTheCellEditor() {
        TMainForm form;
        form.show();
        QApplication::setActiveWindow(&form);
        fill(form);
        form.grid()->setGridSelection(GridSelection::cell(1, 1));
        form.action("InsertRow")->trigger();
        form.grid()->setFocus();
        QTest::keyClicks(form.grid(), "x");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(column1(form), std::string("s1 s2 s3 s4 s5 - "));
    }

    void headerPressesSelectColumnsAndRows() {
        TMainForm form;
        form.show();
        fill(form);
        QHeaderView* top = form.grid()->horizontalHeader();
        QTest::mousePress(top->viewport(), Qt::LeftButton, {},
                          QPoint(top->sectionViewportPosition(1) + top->sectionSize(1) / 2, 5));
        GridSelection column = form.grid()->gridSelection();
        QCOMPARE(column.left, 2);
        QCOMPARE(column.right, 2);
        QCOMPARE(column.top, 1);
        QCOMPARE(column.bottom, 6);
        QHeaderView* side = form.grid()->verticalHeader();
        QTest::mousePress(side->viewport(), Qt::LeftButton, {},
                          QPoint(5, side->sectionViewportPosition(3) + side->sectionSize(3) / 2));
        GridSelection row = form.grid()->gridSelection();
        QCOMPARE(row.top, 4);
        QCOMPARE(row.bottom, 4);
        QCOMPARE(row.left, 1);
        QCOMPARE(row.right, 7);
    }

    void movingARowRenumbersAndMarksModified() {
        TMainForm form;
        fill(form);
        form.document().discardChanges();
        form.tableEdit().sgCopyListRowMoved(1, 3);
        QCOMPARE(column1(form), std::string("s2 s3 s1 s4 s5 - "));
        QCOMPARE(form.table().cell(0, 3), std::string("3"));
        QVERIFY(form.isModified());
    }

    void referOutsideColumnsOneToFourDoesNothing() {
        TMainForm form;
        fill(form);
        form.document().discardChanges();
        form.grid()->setGridSelection(GridSelection::cell(5, 1));
        form.action("Refer")->trigger();
        QVERIFY(!form.isModified());
    }
};

QTEST_MAIN(EditTest)
#include "tst_edit.moc"
