// libFuzzer target over everything the job model reads from disk or from the user: job file
// text, INI text and date-time patterns. Besides not crashing, it checks that what the table
// writes reads back as the same rows.

#include "jobs/CommaText.h"
#include "jobs/DateTimePattern.h"
#include "jobs/IniFile.h"
#include "jobs/JobTable.h"
#include "jobs/Settings.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace trevane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    JobTable table;
    table.linesToTable(splitLines(text));
    const std::vector<std::string> lines = table.tableToLines();
    JobTable reread;
    reread.linesToTable(splitLines(joinLinesCrLf(lines)));
    // Cells with line breaks cannot survive a line-based file; everything else must.
    if (text.find_first_of("\r\n") == std::string_view::npos && reread.tableToLines() != lines)
        std::abort();

    IniFile ini;
    ini.loadFromString(text);
    const Settings settings = loadSettings(ini);
    storeSettings(ini, settings);
    (void)ini.toString();

    (void)formatDateTime(text.substr(0, 256), DateTime{2000, 1, 15, 9, 5, 7, 0},
                         DateTimeLocale::english());
    return 0;
}
