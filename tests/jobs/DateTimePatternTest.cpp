#include "jobs/DateTimePattern.h"

#include <gtest/gtest.h>

using namespace trevane;

namespace {

// A fixed Japanese-style locale, so that every name and format is visible in the results.
DateTimeLocale testLocale() {
    DateTimeLocale locale = DateTimeLocale::english();
    locale.shortDateFormat = "yyyy/mm/dd";
    locale.longDateFormat = "yyyy'年'm'月'd'日'";
    locale.shortTimeFormat = "h:nn";
    locale.longTimeFormat = "h:nn:ss";
    locale.dateSeparator = "-";
    locale.timeSeparator = ".";
    locale.amText = "午前";
    locale.pmText = "午後";
    locale.eras = {{1989, 1, 8, "平成", "H"}, {2019, 5, 1, "令和", "R"}};
    return locale;
}

// Saturday, 15 January 2000, 09:05:07.
const DateTime kMorning{2000, 1, 15, 9, 5, 7, 0};
// Tuesday, 7 December 2027, 23:45:30.
const DateTime kEvening{2027, 12, 7, 23, 45, 30, 0};

struct PatternCase {
    const char* name;
    std::string pattern;
    DateTime when;
    std::string expected;
};

// A case prints as its name, in test names and failure messages alike.
void PrintTo(const PatternCase& c, std::ostream* out) {
    *out << c.name;
}

class DateTimePattern : public testing::TestWithParam<PatternCase> {};

TEST_P(DateTimePattern, Formats) {
    const PatternCase& c = GetParam();
    EXPECT_EQ(formatDateTime(c.pattern, c.when, testLocale()), c.expected) << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, DateTimePattern,
    testing::Values(
        PatternCase{"archiveStamp", "yymmdd", kMorning, "000115"},
        PatternCase{"upperCase", "YYMMDD", kMorning, "000115"},
        PatternCase{"mixedCaseRun", "yYyY", kMorning, "2000"},
        PatternCase{"yearForms", "y|yy|yyy|yyyy|yyyyy", kEvening, "27|27|2027|2027|2027"},
        PatternCase{"monthForms", "m|mm|mmm|mmmm", kMorning, "1|01|Jan|January"},
        PatternCase{"dayForms", "d|dd|ddd|dddd", kMorning, "15|15|Sat|Saturday"},
        PatternCase{"shortDate", "ddddd", kMorning, "2000-01-15"},
        PatternCase{"longDate", "dddddd", kMorning, "2000年1月15日"},
        PatternCase{"weekdayByA", "aaa aaaa", kEvening, "Tue Tuesday"},
        PatternCase{"hourForms", "h hh", kMorning, "9 09"},
        PatternCase{"minuteAfterHour", "hh:mm:ss", kMorning, "09.05.07"},
        PatternCase{"minuteAfterHourNoLetterBetween", "h m", kMorning, "9 5"},
        PatternCase{"monthNamesAfterHour", "hh mmm|h mmmm", kMorning, "09 Jan|9 January"},
        PatternCase{"monthWhenLetterBetween", "hh'x'n mm", kMorning, "09x5 01"},
        PatternCase{"monthAfterOtherToken", "dd/mm", kMorning, "15-01"},
        PatternCase{"nForms", "n nn s ss", kMorning, "5 05 7 07"},
        PatternCase{"timeForms", "t|tt", kEvening, "23.45|23.45.30"},
        PatternCase{"standard", "c", kEvening, "2027-12-07 23.45.30"},
        PatternCase{"standardMidnight", "c", DateTime{2000, 1, 15, 0, 0, 0, 0}, "2000-01-15"},
        PatternCase{"amPmAsWritten", "h AM/pm", kMorning, "9 AM"},
        PatternCase{"amPmAfternoon", "hh AM/pm", kEvening, "11 pm"},
        PatternCase{"aSlashP", "h:nn a/P", kEvening, "11.45 P"},
        PatternCase{"ampmFromLocale", "ampm h", kMorning, "午前 9"},
        PatternCase{"noon", "h am/pm", DateTime{2000, 1, 1, 12, 0, 0, 0}, "12 pm"},
        PatternCase{"midnight12", "h am/pm", DateTime{2000, 1, 1, 0, 30, 0, 0}, "12 am"},
        PatternCase{"quotedAmPmIsText", "h 'am/pm'", kEvening, "23 am/pm"},
        PatternCase{"loneA", "a", kMorning, "a"},
        PatternCase{"eras", "gg e ee g", kEvening, "令和 9 09 R"},
        PatternCase{"eraBoundary", "gge", DateTime{2019, 4, 30, 0, 0, 0, 0}, "平成31"},
        PatternCase{"beforeFirstEra", "gge", DateTime{1980, 1, 1, 0, 0, 0, 0}, "1980"},
        PatternCase{"quotedText", "yyyy'年'mm\"月\"dd'日'", kMorning, "2000年01月15日"},
        PatternCase{"optionsDialogExample", "yyyy'年'mm'月'dd'日'hh:nn:ss", kEvening,
                    "2027年12月07日23.45.30"},
        PatternCase{"unclosedQuote", "yy'rest", kMorning, "00rest"},
        PatternCase{"otherCharacters", "yy-mm_dd#1", kMorning, "00-01_15#1"},
        PatternCase{"otherLetters", "xqz", kMorning, "xqz"},
        PatternCase{"separators", "yyyy/mm/dd hh:nn", kMorning, "2000-01-15 09.05"},
        PatternCase{"empty", "", kMorning, ""}),
    [](const auto& info) { return info.param.name; });

TEST(DateTimePatternLocale, SelfReferringFormatsStop) {
    DateTimeLocale locale = testLocale();
    locale.shortDateFormat = "ddddd|";
    locale.longTimeFormat = "c";
    const std::string out = formatDateTime("c", kEvening, locale);
    EXPECT_FALSE(out.empty());
    EXPECT_LT(out.size(), 100u);
}

TEST(DateTimePatternLocale, StandardForm) {
    EXPECT_EQ(standardDateTimeText(kEvening, testLocale()), "2027-12-07 23.45.30");
    EXPECT_EQ(standardDateTimeText(DateTime{2000, 1, 15, 0, 0, 0, 0}, testLocale()), "2000-01-15");
    EXPECT_EQ(standardDateTimeText(DateTime{2000, 1, 15, 0, 0, 0, 5}, testLocale()),
              "2000-01-15 0.00.00");
}

TEST(DateTimePatternLocale, WeekdaysAndClock) {
    struct {
        DateTime when;
        int weekday;
    } cases[] = {{{2000, 1, 15}, 6}, {{2000, 2, 29}, 2}, {{1970, 1, 1}, 4},
                 {{2026, 12, 7}, 1}, {{2100, 3, 1}, 1},  {{1600, 1, 1}, 6}};
    for (const auto& c : cases)
        EXPECT_EQ(c.when.dayOfWeek(), c.weekday) << c.when.year << "-" << c.when.month;

    const DateTime now = DateTime::fromTime(std::time(nullptr));
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}

TEST(DateTimePatternLocale, SystemLocaleFormatsAreUsable) {
    const DateTimeLocale locale = systemDateTimeLocale();
    EXPECT_FALSE(locale.shortDateFormat.empty());
    EXPECT_FALSE(locale.longTimeFormat.empty());
    EXPECT_FALSE(locale.longMonthNames[0].empty());
    EXPECT_FALSE(locale.longDayNames[0].empty());
    const std::string text = standardDateTimeText(kEvening, locale);
    EXPECT_NE(text.find("27"), std::string::npos) << text;
    EXPECT_NE(text.find("45"), std::string::npos) << text;
}

} // namespace

namespace {

// The eras of the system's Japanese locale (scripts/deps.sh generates it); others have none.
TEST(DateTimePatternLocale, JapaneseEras) {
    DateTimeLocale locale = testLocale();
    locale.eras = localeEras("ja_JP.UTF-8");
    ASSERT_FALSE(locale.eras.empty()) << "no ja_JP.UTF-8 locale: bash scripts/deps.sh test";
    struct {
        DateTime when;
        const char* expected;
    } rows[] = {{{2019, 4, 30}, "平成31 平 31"}, {{2019, 5, 1}, "令和1 令 01"},
                {{2026, 12, 7}, "令和8 令 08"},  {{1989, 1, 7}, "昭和64 昭 64"},
                {{1989, 1, 8}, "平成1 平 01"},   {{1800, 6, 1}, "西暦1800 西 1800"}};
    for (const auto& row : rows)
        EXPECT_EQ(formatDateTime("gge g ee", row.when, locale), row.expected) << row.expected;
    EXPECT_TRUE(localeEras("C.UTF-8").empty());
}

} // namespace
