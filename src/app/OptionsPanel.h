#pragma once

#include "jobs/JobOptions.h"

#include <QWidget>
#include <array>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;

namespace trevane {

// The job options under the table (OptionPanel): the check list of the command options
// (OptionCheckListBox) with the /D option's date (DateMaskEdit) above it, and the switch texts
// those options give, shown in the status bar's switch panel. It shows a document's options
// without reporting them back; what the user changes is reported by changed().
class OptionsPanel : public QWidget {
    Q_OBJECT

public:
    explicit OptionsPanel(QWidget* parent = nullptr);

    // The label the switch texts are shown in (status panel 2); made after this panel.
    void setSwitchLabel(QLabel* label) { m_switchLabel = label; }

    // The document's options in the widgets and its switch texts; emits nothing.
    void show(const JobOptions& options);
    // The switch texts of options, kept and shown in the switch label.
    void showSwitches(const JobOptions& options);
    const SwitchTexts& switches() const { return m_switches; }

    JobOptionItems items() const;
    std::string dateText() const;

signals:
    // The user checked or cleared an option or edited the date.
    void changed();
    // The date field lost the focus or Enter was pressed in it.
    void dateEditFinished();

private:
    QListWidget* m_optionList;
    QLineEdit* m_dateEdit;
    QLabel* m_switchLabel = nullptr;
    SwitchTexts m_switches;
    bool m_loading = false;
};

} // namespace trevane
