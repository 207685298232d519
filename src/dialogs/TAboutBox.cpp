#include "dialogs/TAboutBox.h"

#include "platform/TextCodec.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevane {

namespace {

QLabel* linkLabel(const char* name, const QString& text, const std::string& target,
                  const std::function<void(const std::string&)>& openLink, QObject* context) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setToolTip(toQString(target));
    if (!openLink) {
        label->setText(text);
        return label;
    }
    // The target travels beside the label, not in the link text, so a path with characters
    // that are special in a URL still reaches openLink unchanged.
    label->setText(QStringLiteral("<a href=\"open\">%1</a>").arg(text.toHtmlEscaped()));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    QObject::connect(label, &QLabel::linkActivated, context,
                     [openLink, target] { openLink(target); });
    return label;
}

} // namespace

TAboutBox::TAboutBox(std::string manualPath, std::string programFolder,
                     std::function<void(const std::string&)> openLink, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QString::fromUtf8(Caption));
    setModal(true);

    auto* icon = new QLabel;
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    auto* product = new QLabel(QStringLiteral("Trevane"));
    product->setObjectName(QStringLiteral("ProductName"));
    QFont big = product->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    product->setFont(big);
    auto* version = new QLabel(versionLine());
    version->setObjectName(QStringLiteral("Version"));
    auto* comments =
        new QLabel(QStringLiteral("ファイルのコピーとLHA圧縮をジョブとして実行します"));
    comments->setObjectName(QStringLiteral("Comments"));
    QLabel* manual = linkLabel("ManualLink", QStringLiteral("ヘルプ（使い方）を開く"), manualPath,
                               openLink, this);
    QLabel* folder = linkLabel("FolderLink", QStringLiteral("プログラムのフォルダを開く"),
                               programFolder, openLink, this);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addSpacing(6);
    texts->addWidget(comments);
    texts->addSpacing(6);
    texts->addWidget(manual);
    texts->addWidget(folder);
    auto* upper = new QHBoxLayout;
    upper->addWidget(icon, 0, Qt::AlignTop);
    upper->addSpacing(8);
    upper->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(upper);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TAboutBox::versionLine() {
    return QStringLiteral("Version ") + QApplication::applicationVersion();
}

} // namespace trevane
