#include "dialogs/Sfxunit.h"

#include "dialogs/FileDialogs.h"
#include "dialogs/Folderselect.h"
#include "dialogs/MessageBox.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace trevane {

TSfxDlg::TSfxDlg(const JobTable& table, int currentRow, Services services, QWidget* parent)
    : QDialog(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("SfxDlg"));
    setWindowTitle(QStringLiteral("自動解凍書庫の作成"));

    auto* archiveLabel = new QLabel(QStringLiteral("自己解凍書庫に変換するLHA書庫"), this);
    m_archive = new QLineEdit(this);
    m_archive->setObjectName(QStringLiteral("edLHAFile"));
    auto* refLHAFileBtn = new QPushButton(QStringLiteral("参照..."), this);
    refLHAFileBtn->setObjectName(QStringLiteral("refLHAFileBtn"));
    refLHAFileBtn->setAutoDefault(false);

    auto* folderLabel = new QLabel(QStringLiteral("自己解凍書庫を作成するディレクトリ"), this);
    m_dirList = new BookmarkCombo(m_services.programFolder, this);
    auto* refSFXDirBtn = new QPushButton(QStringLiteral("参照..."), this);
    refSFXDirBtn->setObjectName(QStringLiteral("refSFXDirBtn"));
    refSFXDirBtn->setAutoDefault(false);
    auto* deleteBtn = new QPushButton(QStringLiteral("削除"), this);
    deleteBtn->setObjectName(QStringLiteral("DeleteBtn"));
    deleteBtn->setAutoDefault(false);

    auto* okBtn = new QPushButton(QStringLiteral("OK"), this);
    okBtn->setObjectName(QStringLiteral("OKBtn"));
    okBtn->setDefault(true);
    auto* cancelBtn = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    cancelBtn->setAutoDefault(false);

    connect(refLHAFileBtn, &QPushButton::clicked, this, &TSfxDlg::refLHAFileBtnClick);
    connect(refSFXDirBtn, &QPushButton::clicked, this, &TSfxDlg::refSFXDirBtnClick);
    connect(m_dirList, &QComboBox::activated, this, &TSfxDlg::cbDirListClick);
    connect(deleteBtn, &QPushButton::clicked, this, &TSfxDlg::DeleteBtnClick);
    connect(okBtn, &QPushButton::clicked, this, &TSfxDlg::OKBtnClick);
    connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(archiveLabel, 0, 0, 1, 3);
    grid->addWidget(m_archive, 1, 0, 1, 2);
    grid->addWidget(refLHAFileBtn, 1, 2);
    grid->addWidget(folderLabel, 2, 0, 1, 3);
    grid->addWidget(m_dirList, 3, 0);
    grid->addWidget(deleteBtn, 3, 1);
    grid->addWidget(refSFXDirBtn, 3, 2);
    grid->setColumnStretch(0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okBtn);
    buttons->addWidget(cancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setFixedSize(460, 160);

    // FormCreate: the current row's destination and archive name.
    const std::string& destination = table.cell(JobTable::DestinationColumn, currentRow);
    if (directoryExists(destination))
        m_chooserFolder = destination;
    const SfxConverter::Prefill prefill = SfxConverter::prefill(
        m_conventions, destination, table.cell(JobTable::ArchiveColumn, currentRow), &fileExists);
    m_archive->setText(toQString(prefill.archive));
    m_dirList->setText(prefill.folder);
}

std::string TSfxDlg::archiveText() const {
    return toBytes(m_archive->text());
}
std::string TSfxDlg::comboText() const {
    return m_dirList->text();
}

void TSfxDlg::setOutputFolder(const std::string& text, const std::vector<std::string>& entries) {
    m_dirList->setBookmarks(entries, text);
}

void TSfxDlg::refLHAFileBtnClick() {
    const QString path = FileDialogs::openFile(
        this, QStringLiteral("自動解凍書庫に変換するLHAファイル"), toQString(m_chooserFolder),
        QStringLiteral("LHAﾌｧｲﾙ(*.lzh)"), QStringLiteral("lzh"));
    if (!path.isEmpty())
        m_archive->setText(path);
}

void TSfxDlg::refSFXDirBtnClick() {
    {
        TFolderSelectForm folderDialog(m_services.programFolder, *this, this);
        folderDialog.exec();
    }
    cbDirListClick();
}

void TSfxDlg::cbDirListClick() {
    m_dirList->visitText();
}

void TSfxDlg::DeleteBtnClick() {
    // The removed folder leaves the text too; otherwise the bookmark step would put it back
    // at the top at once. The combo then shows the most recent remaining bookmark.
    m_dirList->removeText();
    cbDirListClick();
}

void TSfxDlg::OKBtnClick() {
    const std::string archive = archiveText();
    SfxConverter converter({m_services.programFolder, m_services.archiver, m_services.launcher,
                            m_services.appendLogLine, m_services.saveLogFile, &fileExists,
                            m_conventions});
    m_lastResult = converter.convert(archive, comboText());
    switch (m_lastResult.outcome) {
    case SfxConverter::Outcome::MissingArchive:
        MessageBox::warning(this, toQString(archive + "が存在しません"));
        break;
    case SfxConverter::Outcome::Failed:
        MessageBox::warning(this, toQString("自己解凍書庫を作成できませんでした (" +
                                            std::to_string(m_lastResult.code) + ")"));
        break;
    case SfxConverter::Outcome::NotLoaded:
    case SfxConverter::Outcome::NoEntryPoint:
    case SfxConverter::Outcome::Done:
        break;
    }
    accept();
}

} // namespace trevane
