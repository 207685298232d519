#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace trevane {

class IniFile;

// The fourteen items of the options check list by name; the value is the item's place in the
// list and the digit of its bOption key in the settings file.
enum class JobOption : int {
    XcopyContinue = 0,        // xcopy "/C"
    XcopyNewerOnly = 1,       // xcopy "/D"
    XcopySubfolders = 2,      // xcopy "/S"
    XcopyHidden = 3,          // xcopy "/H"
    CreateDestination = 4,    // xcopy "/I", and the runner makes a missing destination
    XcopyAttributes = 5,      // xcopy "/K"
    XcopyReadOnly = 6,        // xcopy "/R"
    ClearDestination = 7,     // empty the destination (or replace the archive) first
    CopyLogToDestination = 8, // write the log file into the destination too
    OpenDestination = 9,      // open a folder window on the destination
    HideAtStart = 10,         // hide the main window as the job starts
    XcopySinceDate = 11,      // with XcopyNewerOnly: "/D:" and the date
    ArchiveAll = 12,          // u "-c"
    ArchiveFolders = 13,      // u "-d1"
};

// The check states of the fourteen items, read and set by name; by list position only where
// the list itself is walked (the check list, the settings keys).
class JobOptionItems {
public:
    static constexpr int Count = 14;

    JobOptionItems() = default;
    JobOptionItems(std::initializer_list<JobOption> on) {
        for (const JobOption option : on)
            set(option, true);
    }

    bool operator[](JobOption option) const { return m_on[static_cast<std::size_t>(option)]; }
    void set(JobOption option, bool on) { m_on[static_cast<std::size_t>(option)] = on; }
    // Index 0 .. Count-1 in list order; an index out of range reads false and is not set.
    bool at(int index) const { return index >= 0 && index < Count && m_on[index]; }
    void setAt(int index, bool on) {
        if (index >= 0 && index < Count)
            m_on[index] = on;
    }

    bool operator==(const JobOptionItems&) const = default;

private:
    std::array<bool, Count> m_on{};
};

// The options of one job: the 14 items of the options check list, the widths of the job
// table's columns 1 to 3 and the text of the /D date edit. They are kept in the settings file
// in a section named by the job file exactly as the program holds its name (a full path).
struct JobOptions {
    static constexpr int OptionCount = JobOptionItems::Count;
    static constexpr std::string_view NewTableSection = "新規.cpl";

    JobOptionItems items; // the bOption0 .. bOption13 keys
    int iCell0Width = 142;
    int iCell1Width = 130;
    int iCell2Width = 106;
    std::string asDOptionTime = "1998-01-01";

    // Items 1, 2, 4, 5 and 13 on: what a new table starts with, and the editor's defaults for
    // keys missing from a section. Widths and date are those the editor starts with; pass the
    // present ones in their place when reading for the editor.
    static JobOptions editorDefaults();
    // Items 1, 2, 4, 5 and 6 on: what the runner assumes for missing keys.
    static JobOptions runnerDefaults();

    // Reads every key of the section, each missing or bad value taking its value from
    // defaults.
    static JobOptions read(const IniFile& ini, std::string_view section,
                           const JobOptions& defaults);
    // Writes every key in the file's key order: bOption0..bOption13, iCell0Width..iCell2Width,
    // asDOptionTime.
    void write(IniFile& ini, std::string_view section) const;

    // Item texts of the options check list, in list order.
    static const std::array<std::string_view, OptionCount>& itemTexts();

    bool operator==(const JobOptions&) const = default;
};

// The switch texts the options stand for: xcopy = "/Y" followed by "/C", "/D" (with
// ":" + date when item 11 is on too), "/S", "/H", "/I", "/K", "/R" for the items that are on;
// u = "-c" then "-d1". Items 7 to 10 change neither.
struct SwitchTexts {
    std::string xcopy;
    std::string u;
    // The text of status-bar panel 2: "xcopy " + xcopy + " || u " + u.
    std::string panelText() const;
};
SwitchTexts switchTexts(const JobOptionItems& items, std::string_view date);
inline SwitchTexts switchTexts(const JobOptions& options) {
    return switchTexts(options.items, options.asDOptionTime);
}

} // namespace trevane
