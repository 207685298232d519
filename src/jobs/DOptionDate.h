#pragma once

#include <string_view>

namespace trevane {

// The /D option's date as the job options hold it, YYYY-MM-DD, checked while it is typed: a
// date xcopy would refuse ("2024-02-30", month 13, a year before 1900) breaks every copy row of
// the job, so the field refuses it as it refuses letters.
enum class DateEntry {
    Complete, // a real date
    Partial,  // digits still missing (blanks or the mask's placeholder), none impossible yet
    Impossible,
};

// text: ten characters, "-" at positions 4 and 7; a position that holds no digit is missing.
DateEntry checkDOptionDate(std::string_view text);

} // namespace trevane
