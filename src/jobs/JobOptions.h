#pragma once

#include <array>
#include <string>
#include <string_view>

namespace trevane {

class IniFile;

// The options of one job: the 14 items of the options check list, the widths of the job
// table's columns 1 to 3 and the text of the /D date edit. They are kept in the settings file
// in a section named by the job file exactly as the program holds its name (a full path).
struct JobOptions {
    static constexpr int OptionCount = 14;
    static constexpr std::string_view NewTableSection = "新規.cpl";

    std::array<bool, OptionCount> bOption{};
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
SwitchTexts switchTexts(const std::array<bool, JobOptions::OptionCount>& options,
                        std::string_view date);
inline SwitchTexts switchTexts(const JobOptions& options) {
    return switchTexts(options.bOption, options.asDOptionTime);
}

} // namespace trevane
