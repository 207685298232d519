// The help window: the help key opens it at the page of the window the user is in, and the
// manual's links and pictures lead to files of the manual, whose Japanese reads without stray
// blanks.

#include "app/Mainunit.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/Optionunit.h"

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "support/WindowTestHome.h"

using namespace trevane;

class HelpTest : public QObject {
    Q_OBJECT

    test::WindowTestHome m_home;

    static QString shownPage() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* help = qobject_cast<HelpWindow*>(window); help && help->isVisible())
                return help->page();
        return QStringLiteral("<no help window>");
    }
    static void pressHelpKey(QWidget& window) {
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.focusWidget() ? window.focusWidget() : &window, Qt::Key_F1);
    }

private slots:
    void init() { m_home.start(); }
    void cleanup() { m_home.finish(); }

    void helpKeyOpensThePageOfTheWindow() {
        TMainForm form;
        pressHelpKey(form);
        QCOMPARE(shownPage(), QStringLiteral("main.md"));

        Settings settings;
        TOptionDlg options(settings, m_home.path(), m_home.path() + "/CPL", {}, &form);
        options.setModal(true);
        pressHelpKey(options);
        QCOMPARE(shownPage(), QStringLiteral("options.md"));
    }

    void manualLinksLeadToFiles_data() {
        QTest::addColumn<QString>("page");
        for (const QString& page : QDir(TREVANE_MANUAL_SOURCE).entryList({"*.md"}, QDir::Files))
            QTest::newRow(qPrintable(page)) << page;
    }
    void manualLinksLeadToFiles() {
        QFETCH(QString, page);
        const QDir manual(TREVANE_MANUAL_SOURCE);
        QFile file(manual.filePath(page));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument document;
        document.setMarkdown(QString::fromUtf8(file.readAll()));
        QStringList missing;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            for (auto part = block.begin(); !part.atEnd(); ++part) {
                const QTextCharFormat format = part.fragment().charFormat();
                const QString target =
                    format.isImageFormat() ? format.toImageFormat().name() : format.anchorHref();
                const QString file = target.section(QLatin1Char('#'), 0, 0);
                if (!file.isEmpty() && QUrl(target).scheme().isEmpty() &&
                    !QFileInfo(manual.filePath(file)).isFile())
                    missing << file;
            }
        QCOMPARE(missing.join(QLatin1Char(' ')), QString());
    }

    // Japanese runs on without a space where a source line breaks inside a sentence: the
    // Markdown reader turns every line break of a paragraph into a blank.
    void manualJapaneseHasNoBlankBetweenWords_data() { manualLinksLeadToFiles_data(); }
    void manualJapaneseHasNoBlankBetweenWords() {
        QFETCH(QString, page);
        QFile file(QDir(TREVANE_MANUAL_SOURCE).filePath(page));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument document;
        document.setMarkdown(QString::fromUtf8(file.readAll()));
        // Between two Japanese characters (a spaced wave dash "〜" is meant), or after "、" and
        // "。" whatever follows.
        static const QRegularExpression blank(
            QStringLiteral("(?!〜)[\\p{Han}\\p{Hiragana}\\p{Katakana}、。」）] (?!〜)"
                           "[\\p{Han}\\p{Hiragana}\\p{Katakana}「（]|[、。] "));
        QStringList found;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            for (auto part = block.begin(); !part.atEnd(); ++part)
                if (!block.blockFormat().hasProperty(QTextFormat::BlockCodeLanguage) &&
                    !part.fragment().charFormat().font().fixedPitch())
                    for (const auto& match : blank.globalMatch(part.fragment().text()))
                        found << match.captured();
        QCOMPARE(found.join(QLatin1Char(' ')), QString());
    }
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
