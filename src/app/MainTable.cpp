// The job table in the window: what its grid reports (typed text, drops, the row under the
// mouse), the row command hint, the queue panel's requests and the options check list.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "app/OptionsPanel.h"
#include "engine/CommandPreview.h"
#include "jobs/DateTimePattern.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QAbstractItemDelegate>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QStyleOptionViewItem>
#include <QTableView>

namespace trevane {

void TMainForm::installGridBehaviour() {
    connect(m_que, &QueuePanel::stopClicked, this, &TMainForm::StopCopyClick);
    connect(m_que, &QueuePanel::restartClicked, this, &TMainForm::RestartCopyClick);
    connect(m_que, &QueuePanel::clearClicked, this, &TMainForm::ClearQueClick);
    connect(m_que, &QueuePanel::queueShown, this, [this] { m_runnerHost.queueChanged(); });
    connect(m_que, &QueuePanel::jobFilesDropped, this, &TMainForm::SendSelectedJobFileClick);
    connect(m_que, &QueuePanel::dragHint, m_panels[3], &QLabel::setText);
    connect(m_options, &OptionsPanel::changed, this, &TMainForm::OptionCheckListBoxClickCheck);
    connect(m_options, &OptionsPanel::dateEditFinished, this, &TMainForm::DateMaskEditExit);
    connect(m_cplFileList, &QListWidget::itemDoubleClicked, this,
            &TMainForm::CPLFileListBoxDblClick);
    connect(m_cplFileList, &QListWidget::currentItemChanged, this,
            &TMainForm::CPLFileListBoxChange);
    connect(m_cplFileList, &JobFileList::startOpenClicked, this, &TMainForm::StartCopyClick);
    connect(m_cplFileList, &JobFileList::startSelectedClicked, this,
            &TMainForm::SendSelectedJobFileClick);
    connect(m_cplFileList, &JobFileList::openClicked, this, &TMainForm::CPLFileListBoxDblClick);
    connect(m_cplFileList, &JobFileList::deleteClicked, this, &TMainForm::FileDeleteClick);
    connect(m_grid, &QTableView::clicked, this, [this](const QModelIndex& index) {
        updateLastFolderFromCell(JobTableModel::tableColumn(index), JobTableModel::tableRow(index));
    });
    connect(m_grid, &JobGrid::cellTextEdited, this, &TMainForm::sgCopyListSetEditText);
    connect(m_grid, &JobGrid::rowHovered, this, &TMainForm::sgCopyListMouseMove);
    connect(m_grid, &JobGrid::filesDropped, this, &TMainForm::DropFiles);
    connect(m_grid, &JobGrid::jobFileDropped, this, &TMainForm::CPLFileListBoxDblClick);
    connect(m_grid, &JobGrid::dragHint, m_panels[3], &QLabel::setText);
}

void TMainForm::sgCopyListSetEditText(int column, int row, const std::string& text) {
    if (directoryExists(text))
        m_lastFolder = text;
    m_model->setEditText(column, row, text);
    // The cell's own margins count: the text width alone left its end cut off.
    const QModelIndex index = m_model->indexOf(column, row);
    QStyleOptionViewItem option;
    option.font = m_grid->font();
    int wanted = m_grid->itemDelegateForIndex(index)->sizeHint(option, index).width() + 5;
    if (m_grid->columnWidth(column - 1) < wanted)
        m_grid->setColumnWidth(column - 1, wanted);
}

void TMainForm::updateLastFolderFromCell(int column, int row) {
    if (std::optional<std::string> folder =
            m_doc.table().folderForCell(column, row, &directoryExists))
        m_lastFolder = *folder;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths = JobGrid::droppedFiles(*event->mimeData());
    if (paths.empty())
        return;
    event->acceptProposedAction();
    DropFiles(paths);
}

void TMainForm::DropFiles(const std::vector<std::string>& paths) {
    QModelIndex current = m_grid->currentIndex();
    int column = current.isValid() ? JobTableModel::tableColumn(current) : 1;
    int row = current.isValid() ? JobTableModel::tableRow(current) : 1;
    JobTable::DropResult result = m_doc.dropFiles(column, row, paths, &directoryExists);
    m_model->reload();
    m_grid->setCurrentIndex(m_model->indexOf(column, row));
    m_lastFolder = result.folder;
}

void TMainForm::sgCopyListMouseMove(int row) {
    std::string hint = CommandPreview::rowHint(
        m_doc.table(), row, m_options->switches().xcopy, m_options->switches().u,
        formatNow(m_settings.asDateTimeFormat, m_dateTimeLocale));
    QString text = toQString(hint);
    m_grid->setStatusTip(text.mid(1));
    m_panels[3]->setText(text.mid(1));
}

void TMainForm::OptionCheckListBoxClickCheck() {
    m_doc.setOptionItems(m_options->items(), m_options->dateText());
    m_options->showSwitches(m_doc.options());
}

void TMainForm::DateMaskEditExit() {
    m_doc.markModified();
}

} // namespace trevane
