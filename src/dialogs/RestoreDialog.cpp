#include "dialogs/RestoreDialog.h"

#include "dialogs/FileDialogs.h"
#include "platform/TextCodec.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <functional>

namespace trevane {

namespace {

constexpr int PathRole = Qt::UserRole;

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

RestoreDialog::RestoreDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(QStringLiteral("復元"));
    m_from = new QLineEdit;
    m_from->setObjectName(QStringLiteral("fromEdit"));
    m_target = new QLineEdit;
    m_target->setObjectName(QStringLiteral("targetEdit"));
    QPushButton* archive = button("chooseArchiveButton", QStringLiteral("書庫(&A)..."));
    QPushButton* folder = button("chooseFolderButton", QStringLiteral("フォルダ(&F)..."));
    QPushButton* target = button("chooseTargetButton", QStringLiteral("参照(&B)..."));

    m_members = new QTreeWidget;
    m_members->setObjectName(QStringLiteral("memberTree"));
    m_members->setHeaderLabels({QStringLiteral("名前"), QStringLiteral("サイズ"),
                                QStringLiteral("更新日時"), QStringLiteral("復元すると")});
    m_members->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_members->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_members->header()->setStretchLastSection(false);
    // Sizes and times are short and must read whole; the names take the rest.
    m_members->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_members->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_members->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);

    m_overwrite = new QCheckBox(QStringLiteral("新しいファイルも上書きする(&O)"));
    m_overwrite->setObjectName(QStringLiteral("overwriteBox"));
    m_overwrite->setToolTip(
        QStringLiteral("復元先のほうが新しいファイルや読み取り専用のファイルも置き換えます"));
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    m_summary->setWordWrap(true);

    QPushButton* all = button("restoreAllButton", QStringLiteral("すべて復元(&R)"));
    QPushButton* selected =
        button("restoreSelectedButton", QStringLiteral("選択したものを復元(&S)"));
    QPushButton* close = button("closeButton", QStringLiteral("閉じる(&C)"));
    m_commands = {archive, folder, target, all, selected, close};

    auto* paths = new QGridLayout;
    paths->addWidget(new QLabel(QStringLiteral("復元元:")), 0, 0);
    paths->addWidget(m_from, 0, 1);
    paths->addWidget(archive, 0, 2);
    paths->addWidget(folder, 0, 3);
    paths->addWidget(new QLabel(QStringLiteral("復元先:")), 1, 0);
    paths->addWidget(m_target, 1, 1);
    paths->addWidget(target, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_overwrite);
    buttons->addStretch();
    buttons->addWidget(all);
    buttons->addWidget(selected);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(paths);
    layout->addWidget(m_members, 1);
    layout->addWidget(m_progress);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    resize(640, 480);

    connect(archive, &QPushButton::clicked, this, [this] {
        const QString path =
            FileDialogs::openFile(this, QStringLiteral("復元する書庫"), QFileInfo(from()).path(),
                                  QStringLiteral("LHA 書庫(*.lzh)"), QString());
        if (!path.isEmpty()) {
            setFrom(path);
            emit fromChosen();
        }
    });
    connect(folder, &QPushButton::clicked, this, [this] {
        const QString path =
            FileDialogs::chooseFolder(this, QStringLiteral("復元するコピーのフォルダ"), from());
        if (!path.isEmpty()) {
            setFrom(path);
            emit fromChosen();
        }
    });
    connect(m_from, &QLineEdit::returnPressed, this, &RestoreDialog::fromChosen);
    connect(m_overwrite, &QCheckBox::toggled, this, &RestoreDialog::decisionsWanted);
    connect(m_target, &QLineEdit::editingFinished, this, &RestoreDialog::decisionsWanted);
    connect(target, &QPushButton::clicked, this, [this] {
        const QString path =
            FileDialogs::chooseFolder(this, QStringLiteral("復元先のフォルダ"), this->target());
        if (!path.isEmpty()) {
            setTarget(path);
            emit decisionsWanted();
        }
    });
    connect(all, &QPushButton::clicked, this, &RestoreDialog::restoreAllClicked);
    connect(selected, &QPushButton::clicked, this, &RestoreDialog::restoreSelectedClicked);
    connect(close, &QPushButton::clicked, this, &RestoreDialog::reject);
}

QString RestoreDialog::from() const {
    return m_from->text();
}
void RestoreDialog::setFrom(const QString& path) {
    m_from->setText(path);
}
QString RestoreDialog::target() const {
    return m_target->text();
}
void RestoreDialog::setTarget(const QString& folder) {
    m_target->setText(folder);
}
bool RestoreDialog::overwrite() const {
    return m_overwrite->isChecked();
}

void RestoreDialog::showMembers(const std::vector<BackupMember>& members) {
    m_members->clear();
    // The tree is built apart from the view and handed over whole: inserting tens of thousands
    // of items into a shown tree one by one would hold the window for seconds.
    QList<QTreeWidgetItem*> tops;
    QHash<QString, QTreeWidgetItem*> folders;
    const QLocale locale;
    const auto newItem = [&tops](QTreeWidgetItem* parent) {
        auto* item = new QTreeWidgetItem;
        if (parent)
            parent->addChild(item);
        else
            tops.append(item);
        return item;
    };
    // The item of a folder path, made with its parents when first seen.
    std::function<QTreeWidgetItem*(const QString&)> folderItem = [&](const QString& path) {
        if (QTreeWidgetItem* item = folders.value(path))
            return item;
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        QTreeWidgetItem* item = newItem(slash < 0 ? nullptr : folderItem(path.left(slash)));
        item->setText(0, path.mid(slash + 1));
        item->setData(0, PathRole, path);
        folders.insert(path, item);
        return item;
    };
    for (const BackupMember& member : members) {
        if (!member.refusal.empty())
            continue; // named outside the target: a restore tells it, nobody can choose it
        const QString path = toQString(member.path);
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        QTreeWidgetItem* item = member.isFolder()
                                    ? folderItem(path)
                                    : newItem(slash < 0 ? nullptr : folderItem(path.left(slash)));
        item->setText(0, path.mid(slash + 1));
        item->setData(0, PathRole, path);
        if (!member.isFolder())
            item->setText(1, locale.toString(static_cast<qulonglong>(member.size)));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(2, QDateTime::fromSecsSinceEpoch(member.mtime)
                             .toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
    }
    m_members->addTopLevelItems(tops);
    m_members->sortItems(0, Qt::AscendingOrder);
}

void RestoreDialog::showDecisions(const QHash<QString, QString>& byPath) {
    for (QTreeWidgetItemIterator it(m_members); *it; ++it)
        (*it)->setText(3, byPath.value((*it)->data(0, PathRole).toString()));
}

QStringList RestoreDialog::selectedPaths() const {
    QStringList paths;
    for (QTreeWidgetItem* item : m_members->selectedItems()) {
        bool inSelectedFolder = false;
        for (QTreeWidgetItem* up = item->parent(); up && !inSelectedFolder; up = up->parent())
            inSelectedFolder = up->isSelected();
        if (!inSelectedFolder)
            paths << item->data(0, PathRole).toString();
    }
    return paths;
}

void RestoreDialog::setBusy(bool busy) {
    m_busy = busy;
    for (QPushButton* b : m_commands)
        b->setEnabled(!busy);
    m_from->setReadOnly(busy);
    m_target->setReadOnly(busy);
    if (busy) {
        m_progress->setRange(0, 0); // moving until the first step is done
        m_summary->clear();
    } else if (m_progress->maximum() == 0) {
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
    }
}

void RestoreDialog::showProgress(qint64 done, qint64 total) {
    m_progress->setRange(0, static_cast<int>(qMax<qint64>(total, 1)));
    m_progress->setValue(static_cast<int>(done));
}

void RestoreDialog::showSummary(const QString& text) {
    m_summary->setText(text);
}

void RestoreDialog::reject() {
    if (!m_busy)
        QDialog::reject();
}

} // namespace trevane
