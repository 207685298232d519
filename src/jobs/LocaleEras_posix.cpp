// The calendar eras of a locale, from the C library's era data (nl_langinfo ERA).

#include "jobs/DateTimePattern.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <tuple>

namespace trevane {

namespace {

struct Segment {
    DateTimeLocale::Era era;
    int offset = 0;
};

// One segment "+:offset:start:end:name:format" (end and format are not needed): the era
// called name counts `offset` in the year of `start`. Segments counting backwards ("-", years
// before the common era) are left out.
bool readSegment(const char* text, Segment& segment) {
    if (std::strncmp(text, "+:", 2) != 0)
        return false;
    char* end = nullptr;
    int fields[4] = {};
    const char* next = text + 2;
    for (int i = 0; i < 4; ++i) {
        fields[i] = int(std::strtol(next, &end, 10));
        if (end == next || *end != (i == 0 || i == 3 ? ':' : '/'))
            return false;
        next = end + 1;
    }
    segment.offset = fields[0];
    const int year = fields[1], month = fields[2], day = fields[3];
    if (year < 1 || segment.offset < 1)
        return false;
    const char* endDate = std::strchr(next, ':');
    const char* nameEnd = endDate ? std::strchr(endDate + 1, ':') : nullptr;
    if (!nameEnd || nameEnd == endDate + 1)
        return false;
    segment.era.name.assign(endDate + 1, nameEnd);
    // A segment that begins the era's count (offset 1) knows its first day; a later one only
    // its first year (明治 begins in 1868, counted from 1873 on).
    segment.era.year = year - segment.offset + 1;
    segment.era.month = segment.offset == 1 ? month : 1;
    segment.era.day = segment.offset == 1 ? day : 1;
    return true;
}

bool earlier(const DateTimeLocale::Era& a, const DateTimeLocale::Era& b) {
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

} // namespace

std::vector<DateTimeLocale::Era> localeEras(const std::string& localeName) {
    std::vector<DateTimeLocale::Era> eras;
    const locale_t locale = newlocale(LC_TIME_MASK, localeName.c_str(), locale_t(nullptr));
    if (!locale)
        return eras;
    // The segments follow one another, each ended by a NUL, and an empty text (the next item
    // of the locale's data) follows the last. Walked only while they look like segments.
    const char* segment = nl_langinfo_l(ERA, locale);
    std::vector<Segment> firsts; // per era, its segment of the lowest count
    for (int i = 0;
         i < 100 && (std::strncmp(segment, "+:", 2) == 0 || std::strncmp(segment, "-:", 2) == 0);
         ++i, segment += std::strlen(segment) + 1) {
        Segment read;
        if (!readSegment(segment, read))
            continue;
        // An era comes in several segments (its first year apart, as "元年"): the one that
        // begins its count dates it.
        auto same = std::find_if(firsts.begin(), firsts.end(),
                                 [&read](const auto& s) { return s.era.name == read.era.name; });
        if (same == firsts.end())
            firsts.push_back(read);
        else if (read.offset < same->offset)
            *same = read;
    }
    for (const Segment& first : firsts)
        eras.push_back(first.era);
    freelocale(locale);
    std::sort(eras.begin(), eras.end(), earlier);
    for (auto& era : eras) {
        // The short name is the era's first character ("令" for "令和"), as a Japanese
        // calendar abbreviates it (the program's texts are UTF-8).
        size_t length = 1;
        while (length < era.name.size() && (era.name[length] & 0xC0) == 0x80)
            ++length;
        era.shortName = era.name.substr(0, length);
    }
    return eras;
}

} // namespace trevane
