#include "dialogs/Folderselect.h"

#include "dialogs/Dirlistedit.h"
#include "dialogs/Sfxunit.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace trevane {

namespace {
constexpr int PathRole = Qt::UserRole;
const char* const NewFolderName = "新規フォルダ";

std::string pathOf(const QTreeWidgetItem* item) {
    return toBytes(item->data(0, PathRole).toString());
}
} // namespace

TFolderSelectForm::TFolderSelectForm(const std::string& programFolder, JobTable& table, int column,
                                     int row, QWidget* parent)
    : TFolderSelectForm(programFolder,
                        FolderChoice::modeForColumn(column).value_or(FolderSelectMode::Source),
                        &table, row, nullptr, parent) {}

TFolderSelectForm::TFolderSelectForm(const std::string& programFolder, TSfxDlg& archiveDialog,
                                     QWidget* parent)
    : TFolderSelectForm(programFolder, FolderSelectMode::SfxOutput, nullptr, 0, &archiveDialog,
                        parent) {}

TFolderSelectForm::TFolderSelectForm(const std::string& programFolder, FolderSelectMode mode,
                                     JobTable* table, int row, TSfxDlg* archiveDialog,
                                     QWidget* parent)
    : QDialog(parent), m_programFolder(programFolder), m_mode(mode), m_table(table), m_row(row),
      m_archiveDialog(archiveDialog) {
    buildLayout();
    FolderChoice::Start start;
    if (m_table)
        start = FolderChoice::startFor(*m_table, m_mode, m_row);
    else if (m_archiveDialog)
        start.folder = FolderChoice::folderPart(m_archiveDialog->archiveText(), m_conventions);
    FormCreate(start.folder, start.file);
}

void TFolderSelectForm::buildLayout() {
    setObjectName(QStringLiteral("FolderSelectForm"));
    setWindowTitle(QStringLiteral("Trevane - FolderSelect"));

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("FromToLabel"));
    QFont headingFont = m_heading->font();
    headingFont.setBold(true);
    headingFont.setUnderline(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.5);
    m_heading->setFont(headingFont);
    QPalette headingPalette = m_heading->palette();
    // Blue as the palette has it (its link colour), readable under a dark theme too.
    headingPalette.setColor(QPalette::WindowText, headingPalette.color(QPalette::Link));
    m_heading->setPalette(headingPalette);

    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("DriveComboBox"));
    const QIcon driveIcon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const std::string& root : driveRoots())
        m_drives->addItem(driveIcon, toQString(root), toQString(root));

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("DirectoryListBox"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setIndentation(14);
    // The tree shows one path and the current folder's subfolders; nothing folds.
    m_tree->setItemsExpandable(false);
    m_tree->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; }"));
    m_tree->viewport()->installEventFilter(this);

    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("FileListBox"));
    m_files->viewport()->installEventFilter(this);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("DirFileEdit"));
    m_createDir = new QPushButton(QStringLiteral("新規ﾃﾞｨﾚｸﾄﾘ作成"), this);
    m_createDir->setObjectName(QStringLiteral("CreateDirBtn"));
    m_createDir->setAutoDefault(false);

    m_dirList = new BookmarkCombo(m_programFolder, this);
    m_dirList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* editDirList = new QPushButton(QStringLiteral("編集..."), this);
    editDirList->setObjectName(QStringLiteral("EditDirListBtn"));
    editDirList->setAutoDefault(false);

    auto* okBtn = new QPushButton(QStringLiteral("OK"), this);
    okBtn->setObjectName(QStringLiteral("OkBtn"));
    okBtn->setDefault(true);
    auto* cancelBtn = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    cancelBtn->setAutoDefault(false);

    connect(m_drives, &QComboBox::activated, this, &TFolderSelectForm::DriveComboBoxChange);
    connect(m_files, &QListWidget::itemClicked, this, &TFolderSelectForm::FileListBoxClick);
    connect(m_createDir, &QPushButton::clicked, this, &TFolderSelectForm::CreateDirBtnClick);
    connect(m_dirList, &QComboBox::activated, this, &TFolderSelectForm::cbDirListClick);
    connect(editDirList, &QPushButton::clicked, this, &TFolderSelectForm::EditDirListBtnClick);
    connect(okBtn, &QPushButton::clicked, this, [this] { OkBtnClick(true); });
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* views = new QHBoxLayout;
    views->addWidget(m_tree, 1);
    views->addWidget(m_files, 1);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_createDir);
    auto* dirListRow = new QHBoxLayout;
    dirListRow->addWidget(m_dirList, 1);
    dirListRow->addWidget(editDirList);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_drives);
    layout->addLayout(views, 1);
    layout->addLayout(nameRow);
    layout->addLayout(dirListRow);
    layout->addLayout(buttons);
    setFixedSize(620, 480);
}

void TFolderSelectForm::FormCreate(const std::string& startFolder, const std::string& startFile) {
    const bool fileMode = FolderChoice::isFileMode(m_mode);
    m_heading->setText(toQString(FolderChoice::heading(m_mode)));
    m_files->setVisible(fileMode);
    m_createDir->setVisible(!fileMode);

    // A leading "~" is the home folder, as the runner reads a folder cell.
    const std::string start = withHomeFolder(startFolder);
    // The current folder is the last one a folder list showed, and it may have been deleted
    // since: then the tree opens at home, never at no folder at all.
    if (!moveTree(start) && !moveTree(toBytes(QDir::currentPath())) &&
        !moveTree(withHomeFolder("~")))
        moveTree("/");
    if (fileMode && !startFile.empty()) {
        const QString wanted = toQString(startFile);
        for (int i = 0; i < m_files->count(); ++i) {
            if (m_files->item(i)->text() == wanted) {
                m_files->setCurrentRow(i);
                break;
            }
        }
    }
    m_created = true;
    DirectoryListBoxChange();
    setAcceptDrops(true);
}

std::string TFolderSelectForm::comboText() const {
    return m_dirList->text();
}
std::string TFolderSelectForm::nameText() const {
    return toBytes(m_name->text());
}

bool TFolderSelectForm::moveTree(const std::string& path, bool reread) {
    if (!directoryExists(path))
        return false;
    const QString clean = QDir::cleanPath(QDir(toQString(path)).absolutePath());
    const std::string folder = toBytes(clean);
    // The file list has always made the folder it shows the process's current folder.
    QDir::setCurrent(clean);
    const bool changed = folder != m_folder;
    if (!changed && !reread)
        return true;
    m_folder = folder;
    rereadTree();
    rereadFiles();
    showDrive();
    if (changed && m_created)
        DirectoryListBoxChange();
    return true;
}

void TFolderSelectForm::rereadTree() {
    m_tree->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    auto* item = new QTreeWidgetItem(m_tree, {QStringLiteral("/")});
    item->setData(0, PathRole, QStringLiteral("/"));
    item->setIcon(0, openIcon);
    QString path;
    const QString folder = toQString(m_folder);
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        item = new QTreeWidgetItem(item, {part});
        item->setData(0, PathRole, path);
        item->setIcon(0, openIcon);
    }
    QFont bold = item->font(0);
    bold.setBold(true);
    item->setFont(0, bold);
    QTreeWidgetItem* current = item;

    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* child = new QTreeWidgetItem(current, {name});
        child->setData(0, PathRole, dir.filePath(name));
        child->setIcon(0, closedIcon);
    }
    m_tree->expandAll();
    m_tree->setCurrentItem(current);
    // Centred, so the folders above the current one stay in sight.
    m_tree->scrollToItem(current, QAbstractItemView::PositionAtCenter);
}

void TFolderSelectForm::rereadFiles() {
    m_files->clear();
    QFileIconProvider icons;
    const QDir dir(toQString(m_folder));
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        m_files->addItem(new QListWidgetItem(icons.icon(info), info.fileName()));
}

void TFolderSelectForm::showDrive() {
    int best = -1;
    qsizetype bestLength = -1;
    const QString folder = toQString(m_folder);
    for (int i = 0; i < m_drives->count(); ++i) {
        const QString root = m_drives->itemData(i).toString();
        const bool inside = root == QLatin1String("/") || folder == root ||
                            folder.startsWith(root + QLatin1Char('/'));
        if (inside && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    const QSignalBlocker blocker(m_drives);
    m_drives->setCurrentIndex(best);
}

std::vector<std::string> TFolderSelectForm::driveRoots() {
    static const std::set<QByteArray> pseudo = {
        "autofs", "binfmt_misc", "bpf",        "cgroup",  "cgroup2",   "configfs", "debugfs",
        "devpts", "devtmpfs",    "efivarfs",   "fusectl", "hugetlbfs", "mqueue",   "nsfs",
        "proc",   "pstore",      "securityfs", "sysfs",   "tracefs"};
    std::vector<std::string> roots{"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || pseudo.count(volume.fileSystemType()))
            continue;
        const QString root = volume.rootPath();
        bool system = false;
        for (const char* prefix : {"/proc", "/sys", "/dev"})
            system = system || root == QLatin1String(prefix) ||
                     root.startsWith(QLatin1String(prefix) + QLatin1Char('/'));
        // Single files bind-mounted into containers (/etc/hosts...) are mounts too.
        if (!system && directoryExists(toBytes(root)))
            roots.push_back(toBytes(root));
    }
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return roots;
}

void TFolderSelectForm::DirectoryListBoxChange() {
    m_dirList->setText(m_folder);
    cbDirListClick();
    m_name->setText(FolderChoice::isFileMode(m_mode) ? QString()
                                                     : QString::fromUtf8(NewFolderName));
}

void TFolderSelectForm::cbDirListClick() {
    const std::string text = comboText();
    if (directoryExists(text))
        moveTree(text);
    else
        m_dirList->setText(m_folder);
    m_dirList->visitText();
}

void TFolderSelectForm::FileListBoxClick() {
    QListWidgetItem* item = m_files->currentItem();
    if (!item || !item->isSelected())
        return;
    m_dirList->setText(m_folder);
    m_name->setText(item->text());
}

void TFolderSelectForm::CreateDirBtnClick() {
    const std::string path = FolderChoice::newFolderPath(m_folder, nameText(), m_conventions);
    if (!directoryExists(path))
        createDirectory(path);
    moveTree(path, true);
}

void TFolderSelectForm::EditDirListBtnClick() {
    TDirListForm editor(bookmarks(), this);
    if (editor.exec() != QDialog::Accepted)
        return;
    m_dirList->setBookmarks(editor.entries(), comboText());
}

void TFolderSelectForm::DriveComboBoxChange() {
    const int index = m_drives->currentIndex();
    if (index >= 0)
        moveTree(toBytes(m_drives->itemData(index).toString()));
}

void TFolderSelectForm::OkBtnClick(bool fromButton) {
    // The bookmarks are a convenience: a file that cannot be written costs the user no more
    // than the list, so the choice itself is still taken.
    (void)m_dirList->save();
    if (m_archiveDialog) {
        m_archiveDialog->setOutputFolder(comboText(), bookmarks());
        if (fromButton)
            accept();
        return;
    }
    if (m_table)
        m_rowAppended = FolderChoice::apply(*m_table, m_mode, m_row, comboText(), nameText());
    m_chosenFolder = m_folder;
    accept();
}

void TFolderSelectForm::DropFiles(const std::vector<std::string>& paths) {
    const FolderChoice::Drop drop =
        FolderChoice::dropTarget(paths, &directoryExists, m_conventions);
    if (drop.folder.empty())
        return;
    moveTree(drop.folder);
    if (FolderChoice::isFileMode(m_mode))
        m_name->setText(toQString(drop.name));
}

void TFolderSelectForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // Only now has the tree its height, which centring needs.
        if (QTreeWidgetItem* current = m_tree->currentItem())
            m_tree->scrollToItem(current, QAbstractItemView::PositionAtCenter);
        FileListBoxClick();
    }
}

void TFolderSelectForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFolderSelectForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(toBytes(url.toLocalFile()));
    event->acceptProposedAction();
    DropFiles(paths);
}

bool TFolderSelectForm::eventFilter(QObject* watched, QEvent* event) {
    const bool onTree = watched == m_tree->viewport();
    const bool onFiles = watched == m_files->viewport();
    if (!onTree && !onFiles)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonDblClick) {
        OkBtnClick(false);
        return true;
    }
    if (onTree && event->type() == QEvent::MouseButtonRelease) {
        // Any button, one click: the entry under the mouse becomes the current folder. The
        // tree is rebuilt by the move, so the view must not see this release afterwards.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (QTreeWidgetItem* item = m_tree->itemAt(mouse->position().toPoint())) {
            moveTree(pathOf(item));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace trevane
