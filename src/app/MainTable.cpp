// The job table's own behaviour in the window: typing, drops, the row command hint and the
// options check list.

#include "app/JobTableModel.h"
#include "app/Mainunit.h"
#include "engine/CommandPreview.h"
#include "jobs/DateTimePattern.h"
#include "platform/AppPaths.h"
#include "platform/TextCodec.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTextEdit>

#include <ctime>

namespace trevane {

namespace {

// The cell editor reports every change of its text, as the grid's SetEditText event does, so
// the entry row grows while the user types.
class CellEditDelegate : public QStyledItemDelegate {
public:
    CellEditDelegate(TMainForm* form, QObject* parent)
        : QStyledItemDelegate(parent), m_form(form) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            int column = JobTableModel::tableColumn(index);
            int row = JobTableModel::tableRow(index);
            QObject::connect(line, &QLineEdit::textEdited, m_form,
                             [form = m_form, column, row](const QString& text) {
                                 form->sgCopyListSetEditText(column, row, toBytes(text));
                             });
        }
        return editor;
    }

private:
    TMainForm* m_form;
};

} // namespace

void TMainForm::installGridBehaviour() {
    m_grid->setItemDelegate(new CellEditDelegate(this, m_grid));
    m_que->setAcceptDrops(true);
    m_que->viewport()->installEventFilter(this);
    connect(m_optionList, &QListWidget::itemChanged, this, [this] {
        if (!m_loadingOptions)
            OptionCheckListBoxClickCheck();
    });
    connect(m_dateEdit, &QLineEdit::textChanged, this, [this] {
        if (!m_loadingOptions)
            OptionCheckListBoxClickCheck();
    });
    connect(m_dateEdit, &QLineEdit::editingFinished, this, &TMainForm::DateMaskEditExit);
    // Column widths are saved with the job's options but are no change of the job.
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        m_doc.setColumnWidths(m_grid->columnWidth(0), m_grid->columnWidth(1),
                              m_grid->columnWidth(2));
    });
    connect(m_cplFileList, &QListWidget::itemDoubleClicked, this,
            &TMainForm::CPLFileListBoxDblClick);
    connect(m_cplFileList, &QListWidget::currentItemChanged, this,
            &TMainForm::CPLFileListBoxChange);
    connect(m_grid, &QTableView::clicked, this, [this](const QModelIndex& index) {
        updateLastFolderFromCell(JobTableModel::tableColumn(index), JobTableModel::tableRow(index));
    });
}

void TMainForm::sgCopyListSetEditText(int column, int row, const std::string& text) {
    if (directoryExists(text))
        m_lastFolder = text;
    m_model->setEditText(column, row, text);
    int wanted = m_grid->fontMetrics().horizontalAdvance(toQString(text)) + 5;
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
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(toBytes(url.toLocalFile()));
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

std::string TMainForm::currentStamp() const {
    return formatDateTime(m_settings.asDateTimeFormat, DateTime::fromTime(std::time(nullptr)),
                          m_dateTimeLocale);
}

void TMainForm::sgCopyListMouseMove(int row) {
    std::string hint =
        CommandPreview::rowHint(m_doc.table(), row, m_switches.xcopy, m_switches.u, currentStamp());
    QString text = toQString(hint);
    m_grid->setStatusTip(text.mid(1));
    m_panels[3]->setText(text.mid(1));
}

// Drags that start in the job-file list: onto the job table they open the list's item, onto
// the queue panel they queue the selected job files. Files from the desktop dropped on the
// table fill its cells.
bool TMainForm::handleListDrag(QObject* target, QEvent* event) {
    bool onTable = target == m_grid->viewport();
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->source() == m_cplFileList) {
            drag->acceptProposedAction();
            m_panels[3]->setText(onTable ? QStringLiteral("ドロップするファイルを開きます")
                                         : QStringLiteral("ドロップするコピージョブを実行します"));
        } else if (onTable && drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->source() == m_cplFileList) {
            drop->acceptProposedAction();
            if (onTable)
                CPLFileListBoxDblClick();
            else
                SendSelectedJobFileClick();
        } else if (onTable) {
            dropEvent(drop);
        }
        return true;
    }
    default:
        return false;
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        gridKeyPressed(static_cast<QKeyEvent*>(event)))
        return true;
    if ((watched == m_grid->viewport() || watched == m_que->viewport()) &&
        handleListDrag(watched, event))
        return true;
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseMove) {
        auto* move = static_cast<QMouseEvent*>(event);
        QModelIndex index = m_grid->indexAt(move->position().toPoint());
        sgCopyListMouseMove(index.isValid() ? JobTableModel::tableRow(index) : 0);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::OptionCheckListBoxClickCheck() {
    std::array<bool, JobOptions::OptionCount> items{};
    for (int i = 0; i < JobOptions::OptionCount; ++i)
        items[i] = m_optionList->item(i)->checkState() == Qt::Checked;
    m_doc.setOptionItems(items, toBytes(m_dateEdit->text()));
    showSwitches();
}

void TMainForm::showSwitches() {
    m_switches = switchTexts(m_doc.options());
    m_panels[2]->setText(toQString(m_switches.panelText()));
}

void TMainForm::DateMaskEditExit() {
    m_doc.markModified();
}

} // namespace trevane
