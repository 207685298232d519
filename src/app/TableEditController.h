#pragma once

#include "jobs/DateTimePattern.h"
#include "jobs/JobDocument.h"
#include "jobs/ProgramFiles.h"
#include "jobs/Settings.h"

#include <QObject>
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace trevane {

class JobGrid;
class OptionsPanel;

// Editing the job table (sgCopyList): the editing commands of the Edit menu and the table's
// popup menu, what the grid reports (typed text, drops, a row moved, the row under the mouse),
// the folder selection of a cell and the options check list. The commands themselves are
// JobTableEditing's; this gives them the grid's selection and shows the result. It keeps the
// last folder the user typed, dropped, chose or clicked, where the folder window opens.
//
// Everything passed in must outlive the controller; the dialog parent may be null.
class TableEditController : public QObject {
    Q_OBJECT

public:
    TableEditController(JobDocument& doc, JobGrid& grid, OptionsPanel& options,
                        const ProgramFiles& files, const Settings& settings,
                        const DateTimeLocale& locale, QWidget* dialogParent,
                        QObject* parent = nullptr);

    const std::string& lastFolder() const { return m_lastFolder; }
    void setLastFolder(const std::string& folder) { m_lastFolder = folder; }
    // The folder of the cell's row when it exists becomes the last folder.
    void updateLastFolderFromCell(int column, int row);

    // The grid reports the changed text of the cell being edited (table coordinates).
    void sgCopyListSetEditText(int column, int row, const std::string& text);
    // Files dropped on the window, as local paths in the locale's code page.
    void DropFiles(const std::vector<std::string>& paths);
    // The row command hint for the grid row under the mouse.
    void sgCopyListMouseMove(int row);
    // A row dragged by its number cell from one table row to another.
    void sgCopyListRowMoved(int from, int to);

public slots:
    void EditUndoClick();
    void EditCutClick();
    void EditCopyClick();
    void EditPasteClick();
    void ClearSelectedClick();
    void InsertRowClick();
    void RowCopyClick();
    void RowDeleteClick();
    void ColCopyAllClick();
    void ReferClick();
    // The options check list: recompute the switch texts and panel 2, set the modified flag.
    void OptionCheckListBoxClickCheck();
    void DateMaskEditExit();

signals:
    // The hint for the status bar's hint panel.
    void hint(const QString& text);

private:
    // Opens the folder selection for the cell; true when it was closed with OK.
    bool openFolderSelection(int column, int row);

    JobDocument& m_doc;
    JobGrid& m_grid;
    OptionsPanel& m_options;
    const ProgramFiles& m_files;
    const Settings& m_settings;
    const DateTimeLocale& m_dateTimeLocale;
    QWidget* m_dialogParent;
    std::string m_lastFolder;
};

} // namespace trevane
