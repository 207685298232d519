#include "app/JobFileList.h"

#include "PathConventions.h"
#include "app/MainWindowBars.h"
#include "app/StyleIcons.h"
#include "platform/TextCodec.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>

#include <algorithm>

namespace trevane {

JobFileList::JobFileList(std::string folder, QWidget* parent)
    : QListWidget(parent), m_folder(std::move(folder)) {
    setObjectName(QStringLiteral("CPLFileListBox"));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    setDragEnabled(true);
    MainWindowBars::setHint(this, QStringLiteral("CPLディレクトリのファイルリスト"));
    buildMenu();
}

void JobFileList::refresh() {
    clear();
    QDir folder(toQString(m_folder));
    const QStringList found = folder.entryList(
        {QStringLiteral("*.cpl")}, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    const QIcon fileIcon = styleIcon(QStyle::SP_FileIcon);
    for (const QString& name : found)
        new QListWidgetItem(fileIcon, name, this);
    showState();
}

void JobFileList::showState() {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, count() > 0 ? QApplication::palette().color(QPalette::Base)
                                                 : QApplication::palette().color(QPalette::Button));
    setPalette(colours);
    MainWindowBars::setHint(this,
                            QStringLiteral("ダブルクリックで開きます|") + toQString(m_folder));
}

void JobFileList::refresh(const std::string& path) {
    refresh();
    selectFile(path);
}

void JobFileList::selectFile(const std::string& path) {
    // Names that differ in case only are two files here: the file's own spelling comes first.
    QString name = toQString(PathConventions::native().fileName(path));
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (int i = 0; i < count(); ++i) {
            QListWidgetItem* entry = item(i);
            if (entry->text().compare(name, cs) == 0) {
                setCurrentItem(entry, QItemSelectionModel::ClearAndSelect);
                return;
            }
        }
    }
}

std::vector<std::string> JobFileList::names() const {
    std::vector<std::string> all;
    for (int i = 0; i < count(); ++i)
        all.push_back(toBytes(item(i)->text()));
    return all;
}

std::vector<std::string> JobFileList::selectedNames() const {
    QList<QListWidgetItem*> selected = selectedItems();
    std::sort(selected.begin(), selected.end(),
              [this](QListWidgetItem* a, QListWidgetItem* b) { return row(a) < row(b); });
    std::vector<std::string> chosen;
    for (QListWidgetItem* entry : selected)
        chosen.push_back(toBytes(entry->text()));
    return chosen;
}

void JobFileList::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && currentItem()) {
        emit openClicked();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void JobFileList::buildMenu() {
    setContextMenuPolicy(Qt::CustomContextMenu);
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("pmCPLFile"));
    QMenu* start = menu->addMenu(QStringLiteral("コピー開始"));
    start->addAction(QStringLiteral("開いているファイル"), this, &JobFileList::startOpenClicked);
    start->addAction(QStringLiteral("選択したファイルすべて"), this,
                     &JobFileList::startSelectedClicked);
    menu->addSeparator();
    menu->addAction(QStringLiteral("ファイルを開く"), this, &JobFileList::openClicked);
    menu->addSeparator();
    menu->addAction(QStringLiteral("削除"), this, &JobFileList::deleteClicked);
    menu->addSeparator();
    menu->addAction(QStringLiteral("すべて選択"), this, &JobFileList::selectAll);
    connect(this, &QWidget::customContextMenuRequested, menu,
            [this, menu](const QPoint& at) { menu->popup(viewport()->mapToGlobal(at)); });
}

} // namespace trevane
