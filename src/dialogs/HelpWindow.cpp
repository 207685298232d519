#include "dialogs/HelpWindow.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace trevane {

HelpWindow::HelpWindow(QString manualFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(manualFolder)), m_browser(new QTextBrowser) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Trevane ヘルプ"));
    resize(760, 640);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenExternalLinks(true);

    auto* tools = new QToolBar;
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto add = [this, tools](const char* name, const QString& caption, const char* themeIcon,
                                   QStyle::StandardPixmap fallback) {
        QAction* action = tools->addAction(
            QIcon::fromTheme(QString::fromLatin1(themeIcon), style()->standardIcon(fallback)),
            caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    QAction* back = add("HelpBack", QStringLiteral("戻る"), "go-previous", QStyle::SP_ArrowBack);
    QAction* forward =
        add("HelpForward", QStringLiteral("進む"), "go-next", QStyle::SP_ArrowForward);
    QAction* contents =
        add("HelpContents", QStringLiteral("目次"), "go-home", QStyle::SP_DirHomeIcon);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QAction::triggered, m_browser, &QTextBrowser::backward);
    connect(forward, &QAction::triggered, m_browser, &QTextBrowser::forward);
    connect(contents, &QAction::triggered, this,
            [this] { showPage(QString::fromLatin1(ContentsPage)); });
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_browser, 1);
}

void HelpWindow::showPage(const QString& page) {
    const QString path = QDir(m_folder).filePath(page);
    if (!QFileInfo(path).isFile()) {
        m_browser->setPlainText(
            QStringLiteral("マニュアルが見つかりません: %1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (m_browser->source() == QUrl::fromLocalFile(path))
        return;
    m_browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
}

QString HelpWindow::page() const {
    return m_browser->source().isEmpty() ? QString()
                                         : QFileInfo(m_browser->source().path()).fileName();
}

} // namespace trevane
