#include "dialogs/Setkeyunit.h"

#include "dialogs/HotKeyEdit.h"
#include "dialogs/KeyCodeMap.h"
#include "dialogs/MenuShortcuts.h"
#include "dialogs/MessageBox.h"
#include "dialogs/ScreenCentre.h"
#include "jobs/KeyListFile.h"
#include "jobs/ShortcutText.h"
#include "platform/TextCodec.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace trevane {

namespace {

QString shortcutText(const QAction* item) {
    return toQString(shortcutToText(KeyCodeMap::fromSequence(MenuShortcuts::itemShortcut(item))));
}

QPushButton* pushButton(const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

int ApplyKeyList(QMenuBar* bar, const std::string& keyListPath) {
    if (!bar)
        return 0;
    int applied = 0;
    for (const KeyListFile::Entry& entry : KeyListFile(keyListPath).entries()) {
        QAction* item = MenuShortcuts::findAction(bar->window(), toQString(entry.name));
        if (!item || !MenuShortcuts::isMenuItem(item))
            continue;
        MenuShortcuts::setItemShortcut(item, KeyCodeMap::toKeySequence(entry.shortcut));
        ++applied;
    }
    if (applied > 0)
        MenuShortcuts::resolveClashes(bar);
    return applied;
}

TSetKeyDlg::TSetKeyDlg(QMenuBar* bar, std::string keyListPath, QWidget* parent)
    : QDialog(parent), m_bar(bar), m_keyListPath(std::move(keyListPath)) {
    setObjectName(QStringLiteral("SetKeyDlg"));
    setWindowTitle(QStringLiteral("ショートカットの割り当て"));
    setModal(true);

    m_topMenu = new QListWidget;
    m_topMenu->setObjectName(QStringLiteral("lbTopMenu"));
    m_topMenu->setFixedWidth(130);
    m_menu = new QListWidget;
    m_menu->setObjectName(QStringLiteral("lbMenu"));
    m_menu->setMinimumWidth(330);

    m_currentKey = new QLineEdit;
    m_currentKey->setObjectName(QStringLiteral("edCurrentKey"));
    m_currentKey->setReadOnly(true);
    auto* currentLabel = new QLabel(QStringLiteral("現在の割り当てキー"));
    currentLabel->setBuddy(m_currentKey);
    QPushButton* defaultBtn = pushButton("DefaultBtn", "デフォルトに戻す(&D)");

    m_hotKey = new HotKeyEdit;
    m_hotKey->setObjectName(QStringLiteral("hkNewKey"));
    auto* hotKeyLabel = new QLabel(QStringLiteral("新規割り当てキー（キー入力 &K）"));
    hotKeyLabel->setBuddy(m_hotKey);

    m_newKey = new QLineEdit;
    m_newKey->setObjectName(QStringLiteral("edNewKey"));
    auto* newKeyLabel = new QLabel(QStringLiteral("新規割り当てキー（直接入力 &D）"));
    newKeyLabel->setBuddy(m_newKey);
    auto* newKeyNote = new QLabel(QStringLiteral("Shift+Enter等、キー入力不可時"));

    QPushButton* applyBtn = pushButton("ApplyBtn", "適用(&S)");
    applyBtn->setDefault(true);
    applyBtn->setAutoDefault(true);
    QPushButton* okBtn = pushButton("OKBtn", "閉じる");

    auto* keys = new QGridLayout;
    keys->addWidget(currentLabel, 0, 0);
    keys->addWidget(m_currentKey, 1, 0);
    keys->addWidget(defaultBtn, 1, 1);
    keys->addWidget(hotKeyLabel, 2, 0);
    keys->addWidget(m_hotKey, 3, 0);
    keys->addWidget(newKeyLabel, 4, 0);
    keys->addWidget(m_newKey, 5, 0);
    keys->addWidget(newKeyNote, 5, 1);
    keys->setColumnStretch(0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(applyBtn);
    buttons->addWidget(okBtn);
    auto* right = new QVBoxLayout;
    right->addWidget(m_menu, 1);
    right->addLayout(keys);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_topMenu);
    layout->addLayout(right, 1);
    setMinimumHeight(360);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FormCreate();

    connect(m_topMenu, &QListWidget::currentRowChanged, this, &TSetKeyDlg::lbTopMenuClick);
    connect(m_menu, &QListWidget::currentRowChanged, this, &TSetKeyDlg::lbMenuClick);
    connect(m_currentKey, &QLineEdit::textChanged, this, &TSetKeyDlg::edCurrentKeyChange);
    connect(m_newKey, &QLineEdit::textChanged, this, &TSetKeyDlg::edCurrentKeyChange);
    connect(applyBtn, &QPushButton::clicked, this, &TSetKeyDlg::ApplyBtnClick);
    connect(defaultBtn, &QPushButton::clicked, this, &TSetKeyDlg::DefaultBtnClick);
    connect(okBtn, &QPushButton::clicked, this, &QDialog::accept);
}

QString TSetKeyDlg::itemLine(const QAction* item) {
    return item->text() + QStringLiteral("       ") + shortcutText(item);
}

void TSetKeyDlg::FormCreate() {
    if (m_bar) {
        for (QAction* top : m_bar->actions()) {
            m_topItems.append(top);
            m_topMenu->addItem(top->text());
        }
    }
    if (m_topMenu->count() > 0)
        m_topMenu->setCurrentRow(0);
    lbTopMenuClick();
    if (m_menu->count() > 0)
        m_menu->setCurrentRow(0);
    lbMenuClick();
    edCurrentKeyChange();
}

void TSetKeyDlg::lbTopMenuClick() {
    m_menuItems.clear();
    m_menu->clear();
    const int row = m_topMenu->currentRow();
    if (row >= 0 && row < m_topItems.size()) {
        if (const QMenu* menu = m_topItems[row]->menu())
            m_menuItems = MenuShortcuts::assignableItems(menu);
    }
    for (const QAction* item : m_menuItems)
        m_menu->addItem(itemLine(item));
    if (m_menu->count() > 0)
        m_menu->setCurrentRow(0);
    lbMenuClick();
    if (m_topMenu->isVisible())
        m_topMenu->setFocus();
}

QAction* TSetKeyDlg::selectedItem() const {
    const int row = m_menu->currentRow();
    return row >= 0 && row < m_menuItems.size() ? m_menuItems[row] : nullptr;
}

void TSetKeyDlg::lbMenuClick() {
    const QAction* item = selectedItem();
    if (!item)
        return;
    m_currentKey->setText(shortcutText(item));
    m_hotKey->setValue(KeyCodeMap::fromSequence(MenuShortcuts::itemShortcut(item)));
}

void TSetKeyDlg::edCurrentKeyChange() {
    if (m_currentKey->text().isEmpty())
        m_currentKey->setText(QString::fromUtf8(NoKeyText));
}

void TSetKeyDlg::ApplyBtnClick() {
    const QAction* item = selectedItem();
    if (!item)
        return;
    const std::string text =
        m_newKey->text().isEmpty() ? shortcutToText(m_hotKey->value()) : toBytes(m_newKey->text());
    WriteResult written = KeyListFile(m_keyListPath).writeEntry(toBytes(item->objectName()), text);
    if (!written.ok) {
        MessageBox::warning(this, QStringLiteral("キーの割り当てを保存できませんでした。\n") +
                                      toQString(written.error));
        return;
    }
    ApplyKeyList(m_bar, m_keyListPath);
    const int row = m_menu->currentRow();
    lbTopMenuClick();
    m_menu->setCurrentRow(row);
    lbMenuClick();
}

void TSetKeyDlg::DefaultBtnClick() {
    const QAction* item = selectedItem();
    if (!item)
        return;
    WriteResult removed = KeyListFile(m_keyListPath).deleteEntry(toBytes(item->objectName()));
    if (!removed.ok) {
        MessageBox::warning(this, QStringLiteral("キーの割り当てを保存できませんでした。\n") +
                                      toQString(removed.error));
        return;
    }
    m_currentKey->setText(QString::fromUtf8(NextStartText));
}

void TSetKeyDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    centreOnScreen(this, screen());
}

} // namespace trevane
