#pragma once

#include "jobs/AtomicFile.h"
#include "jobs/Settings.h"

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;

namespace trevane {

// The options dialog: the program-wide settings (section CONFIG, held in the main window's
// memory) and the registered job list BGCopyList.txt.
//
// The dialog reads `settings` when it is built and writes them back only on OK; the settings
// object must outlive the dialog. It never writes the settings file (the main window does so
// when it closes); OK rewrites BGCopyList.txt in programFolder. Cancel, Escape and closing the
// window keep everything as it was, the list file included.
//
// Controls carry the names the program's other windows and tests use: BGCopyFileListBox,
// ckAutoStart, ckTime0..2, meTime0..2, clDayOfWeek, ckAutoTimer, rgTaskTrayClick,
// rgTaskTrayDblClick, edViewer, RefViewerBtn, edMaxLog, rgFileDClick, ckShowAtStart, ckAddLog,
// ckExitOnJobEnd, ckStartAtLogin, edDateTimeFormat, refCPLFileBtn, AddAllBtn, RemoveBtn, OKBtn,
// CancelBtn; the radio buttons of a group are named after it with their index
// (rgTaskTrayClick0...).
//
// ckStartAtLogin shows whether the user's autostart entry (AutostartEntry, in the folder that
// userConfigFolder() names when the dialog is built) is there; OK after a change of the box
// writes it for this executable or removes it. OK refuses a checked start time that is no time of
// day and says so.
class TOptionDlg : public QDialog {
    Q_OBJECT

public:
    // jobFileEntries: the entries of the main window's job-file list, in its order
    // ("すべて追加" takes them). Folders without a trailing separator.
    TOptionDlg(Settings& settings, std::string programFolder, std::string jobFileFolder,
               std::vector<std::string> jobFileEntries, QWidget* parent = nullptr);

    // The text of edViewer (what OK stored as asApplicationFullPath).
    std::string viewer() const;
    // The entries of BGCopyFileListBox.
    std::vector<std::string> registeredJobs() const;
    // How writing BGCopyList.txt went on OK (ok until OK has been pressed).
    const WriteResult& listWriteResult() const { return m_listWrite; }

    // Handlers, public so the main window and tests can run them as the controls do.
    void OKBtnClick();
    void edMaxLogExit();
    void ckTimeClick(int slot);
    void clDayOfWeekClick();
    void refCPLFileBtnClick();
    void AddAllBtnClick();
    void RemoveBtnClick();
    void RefViewerBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildPages();
    QWidget* buildJobListPage();
    QWidget* buildTimerPage();
    QWidget* buildTrayPage();
    QWidget* buildLogPage();
    QWidget* buildOtherPage();
    void FormCreate();
    std::string listFilePath() const;
    bool timesAreValid();
    void applyStartAtLogin();

    Settings& m_settings;
    std::string m_programFolder;
    std::string m_jobFileFolder;
    std::vector<std::string> m_jobFileEntries;
    WriteResult m_listWrite{true, {}};
    std::string m_configFolder;
    bool m_startedAtLogin = false; // the entry was there when the dialog was built

    QTabWidget* m_pages = nullptr;
    QListWidget* m_jobList = nullptr; // BGCopyFileListBox
    QCheckBox* m_autoStart = nullptr;
    QCheckBox* m_timeBoxes[3] = {};
    QLineEdit* m_times[3] = {};
    QListWidget* m_days = nullptr; // clDayOfWeek
    QCheckBox* m_autoTimer = nullptr;
    QButtonGroup* m_trayClick = nullptr;
    QButtonGroup* m_trayDblClick = nullptr;
    QLineEdit* m_viewer = nullptr;
    QLineEdit* m_maxLog = nullptr;
    QButtonGroup* m_fileDClick = nullptr;
    QCheckBox* m_showAtStart = nullptr;
    QCheckBox* m_addLog = nullptr;
    QCheckBox* m_verify = nullptr;
    QCheckBox* m_notifyJobEnd = nullptr;
    QSpinBox* m_historyDays = nullptr; // iHistoryDays
    QCheckBox* m_exitOnJobEnd = nullptr;
    QCheckBox* m_startAtLogin = nullptr;
    QLineEdit* m_dateTimeFormat = nullptr;
    bool m_centred = false;
};

} // namespace trevane
