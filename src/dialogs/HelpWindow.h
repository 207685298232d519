#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

namespace trevane {

// The manual in a window of its own: its Markdown pages in a browser that follows the links
// between them and shows their pictures, with buttons back, forward and to the contents page.
// manualFolder holds the pages ("index.md", "options.md", ...) and their "images" folder.
class HelpWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* ContentsPage = "index.md";

    explicit HelpWindow(QString manualFolder, QWidget* parent = nullptr);

    // Shows the page (a file name in the manual folder); a manual that is not there is said so
    // in the window instead.
    void showPage(const QString& page);
    // The file name of the page shown, "" before the first.
    QString page() const;

private:
    QString m_folder;
    QTextBrowser* m_browser;
};

} // namespace trevane
