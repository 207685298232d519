// Copies the manual's Markdown pages and pictures into a folder and writes beside each page
// an HTML rendering of it, made by the same Markdown reader the help window uses. Links to
// other pages (".md") become links to their HTML files.
// usage: manual_html SOURCE_FOLDER OUTPUT_FOLDER

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <cstdio>

namespace {

bool copyOver(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

QString htmlOf(const QString& markdown) {
    QTextDocument document;
    document.setMarkdown(markdown);
    // The first heading names the page.
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0) {
            document.setMetaInformation(QTextDocument::DocumentTitle, block.text());
            break;
        }
    QString html = document.toHtml();
    static const QRegularExpression pageLink(QStringLiteral("href=\"([^\":#]+)\\.md(#[^\"]*)?\""));
    html.replace(pageLink, QStringLiteral("href=\"\\1.html\\2\""));
    return html;
}

} // namespace

int main(int argc, char* argv[]) {
    // Fonts and the document's default font need the application object; nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: manual_html SOURCE_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir source(QString::fromLocal8Bit(argv[1]));
    const QDir output(QString::fromLocal8Bit(argv[2]));
    if (!output.mkpath(QStringLiteral("images")))
        return 1;
    const QDir images(source.filePath(QStringLiteral("images")));
    for (const QString& name : images.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        if (!copyOver(images.filePath(name), output.filePath(QStringLiteral("images/") + name))) {
            std::fprintf(stderr, "manual_html: cannot copy %s\n", qPrintable(name));
            return 1;
        }
    }
    for (const QString& name : source.entryList({QStringLiteral("*.md")}, QDir::Files)) {
        QFile page(source.filePath(name));
        if (!page.open(QIODevice::ReadOnly) || !copyOver(page.fileName(), output.filePath(name))) {
            std::fprintf(stderr, "manual_html: cannot copy %s\n", qPrintable(name));
            return 1;
        }
        QFile html(output.filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".html")));
        if (!html.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            html.write(htmlOf(QString::fromUtf8(page.readAll())).toUtf8()) < 0) {
            std::fprintf(stderr, "manual_html: cannot write %s\n", qPrintable(html.fileName()));
            return 1;
        }
    }
    return 0;
}
