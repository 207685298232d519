#include "dialogs/Dirlistedit.h"

#include "dialogs/MessageBox.h"
#include "platform/TextCodec.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevane {

TDirListForm::TDirListForm(const std::vector<std::string>& entries, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("DirListForm"));
    setWindowTitle(QStringLiteral("ディレクトリリスト"));
    setSizeGripEnabled(true);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("DirListBox"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Each item keeps the entry's own bytes: a line that is not valid in the locale's code
    // page (a list edited by hand) shows with replacement marks, but an OK must not write
    // those marks back over the folder name.
    for (const std::string& entry : entries) {
        auto* item = new QListWidgetItem(toQString(entry), m_list);
        item->setData(Qt::UserRole, QByteArray::fromStdString(entry));
    }

    auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* deleteBtn =
        button("DeleteBtn", QStringLiteral("削除(&D)"), QStringLiteral("選択ﾃﾞｨﾚｸﾄﾘの消去"));
    QPushButton* allClearBtn = button("AllClearBtn", QStringLiteral("すべて消去(&C)"),
                                      QStringLiteral("ﾎｽﾄﾃﾞｨﾚｸﾄﾘﾘｽﾄの消去"));
    QPushButton* okBtn = button("OkBtn", QStringLiteral("&OK"), QStringLiteral("OK"));
    QPushButton* cancelBtn =
        button("CancelBtn", QStringLiteral("&Cancel"), QStringLiteral("キャンセル"));
    okBtn->setDefault(true);

    connect(deleteBtn, &QPushButton::clicked, this, &TDirListForm::DeleteBtnClick);
    connect(allClearBtn, &QPushButton::clicked, this, &TDirListForm::AllClearBtnClick);
    connect(okBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(deleteBtn);
    buttons->addWidget(allClearBtn);
    buttons->addStretch(1);
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(480, 300);
}

std::vector<std::string> TDirListForm::entries() const {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(m_list->count()));
    for (int i = 0; i < m_list->count(); ++i)
        out.push_back(m_list->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return out;
}

void TDirListForm::DeleteBtnClick() {
    // Backwards, so the rows still to be looked at keep their positions.
    for (int i = m_list->count() - 1; i >= 0; --i)
        if (m_list->item(i)->isSelected())
            delete m_list->takeItem(i);
}

void TDirListForm::AllClearBtnClick() {
    const auto answer =
        MessageBox::critical(this, QStringLiteral("ブックマークをすべてを消去しますか？"),
                             QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        m_list->clear();
}

} // namespace trevane
