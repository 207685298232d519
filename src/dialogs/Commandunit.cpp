#include "dialogs/Commandunit.h"

#include "dialogs/ScreenCentre.h"
#include "engine/CommandPreview.h"
#include "platform/TextCodec.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace trevane {

TCommandForm::TCommandForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CommandForm"));
    setWindowTitle(QStringLiteral("実行コマンド一覧"));
    setModal(true);
    // The list is set in a proportional Japanese gothic: ＭＳ Ｐゴシック where it is installed,
    // else IPAPGothic (fonts-ipafont-gothic).
    QFont face;
    face.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    face.setPixelSize(12);
    setFont(face);

    m_richEdit = new QPlainTextEdit(this);
    m_richEdit->setObjectName(QStringLiteral("RichEdit1"));
    m_richEdit->setReadOnly(true);
    m_richEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_richEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_richEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(31);

    m_startButton = new QPushButton(QStringLiteral("開始(&S)"), panel);
    m_startButton->setObjectName(QStringLiteral("StartBtn"));
    m_startButton->setToolTip(QStringLiteral("ｺﾏﾝﾄﾞ実行開始"));
    m_startButton->setStatusTip(QStringLiteral("ｺﾏﾝﾄﾞ実行開始"));
    m_startButton->setAutoDefault(false);

    m_okButton = new QPushButton(QStringLiteral("閉じる"), panel);
    m_okButton->setObjectName(QStringLiteral("OKBtn"));
    m_okButton->setDefault(true);

    for (QPushButton* button : {m_startButton, m_okButton})
        button->setFixedSize(75, 25);

    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(4, 3, 8, 3);
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_okButton);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_richEdit, 1);
    column->addWidget(panel);

    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_startButton, &QPushButton::clicked, this, [this] { done(Yes); });

    resize(676, 207);
    centreOnScreen(this, parent ? parent->screen() : QGuiApplication::primaryScreen());
}

void TCommandForm::setLines(const std::vector<std::string>& lines) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        texts.append(toQString(line));
    m_richEdit->setPlainText(texts.join(QLatin1Char('\n')));
}

void TCommandForm::setCaption(const std::string& caption) {
    setWindowTitle(toQString(caption));
}

int TCommandForm::showPreview(QWidget* parent, const Input& input,
                              const std::function<void()>& startCopy) {
    int result = QDialog::Rejected;
    {
        TCommandForm form(parent);
        form.setLines(CommandPreview::lines(input.table, input.xcopySwitches, input.uSwitches,
                                            input.stamp, input.conventions));
        form.setCaption(CommandPreview::caption(input.currentFile, input.conventions));
        result = form.exec();
    }
    // The start asks its own questions (unsaved changes, clearing the destination); they come
    // after the preview has gone.
    if (result == Yes && startCopy)
        startCopy();
    return result;
}

} // namespace trevane
