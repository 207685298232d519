// The program's locale for date-time patterns, taken from Qt's view of the system locale.
// Kept apart from the pattern code so that only this file needs Qt.

#include "jobs/DateTimePattern.h"

#include <QLocale>
#include <QString>

namespace trevane {

namespace {

std::string bytes(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

// Appends text that must come out as it is, quoting it when the pattern language would read
// something in it as a token.
void appendLiteral(std::string& out, const QString& text) {
    const std::string raw = bytes(text);
    bool special = false;
    for (const char c : raw) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        special = special || letter || c == '/' || c == ':' || c == '"' || c == '\'';
    }
    if (!special) {
        out += raw;
        return;
    }
    const char quote = raw.find('"') == std::string::npos ? '"' : '\'';
    for (const char c : raw) {
        if (c == quote) {
            // A quote of the kind used for quoting goes in quotes of the other kind.
            const char other = quote == '"' ? '\'' : '"';
            out.push_back(other);
            out.push_back(c);
            out.push_back(other);
        } else {
            out.push_back(quote);
            out.push_back(c);
            out.push_back(quote);
        }
    }
}

// Qt's date-time format ("yyyy/MM/dd", "h:mm:ss AP", 'quoted') in the pattern language of
// DateTimePattern.h. Time zones and milliseconds have no token there and are left out.
std::string fromQtFormat(const QString& format) {
    std::string out;
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format[i];
        if (c == u'\'') {
            QString literal;
            ++i;
            if (i < n && format[i] == u'\'') { // '' outside quotes is one quote
                appendLiteral(out, QStringLiteral("'"));
                ++i;
                continue;
            }
            while (i < n) {
                if (format[i] == u'\'') {
                    if (i + 1 < n && format[i + 1] == u'\'') {
                        literal += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += format[i++];
            }
            appendLiteral(out, literal);
            continue;
        }
        if (!isAsciiLetter(c)) {
            appendLiteral(out, QString(c));
            ++i;
            continue;
        }
        qsizetype count = 1;
        while (i + count < n && format[i + count] == c)
            ++count;
        const auto repeat = [&](char letter, qsizetype times) {
            out.append(size_t(times), letter);
        };
        switch (c.unicode()) {
        case 'd':
            repeat('d', std::min<qsizetype>(count, 4));
            break;
        case 'M':
            repeat('m', std::min<qsizetype>(count, 4));
            break;
        case 'y':
            out += count >= 3 ? "yyyy" : "yy";
            break;
        case 'h':
        case 'H':
            repeat('h', std::min<qsizetype>(count, 2));
            break;
        case 'm':
            repeat('n', std::min<qsizetype>(count, 2));
            break;
        case 's':
            repeat('s', std::min<qsizetype>(count, 2));
            break;
        case 'A':
        case 'a':
            out += "ampm";
            if (count == 1 && i + 1 < n && (format[i + 1] == u'P' || format[i + 1] == u'p'))
                ++count;
            break;
        case 'z':
        case 't':
            break;
        default:
            appendLiteral(out, format.mid(i, count));
            break;
        }
        i += count;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    while (!out.empty() && out.front() == ' ')
        out.erase(out.begin());
    return out;
}

// The first character between the tokens of a Qt format, such as "/" in "yyyy/MM/dd".
std::string separatorOf(const QString& format, const char* fallback) {
    for (const QChar c : format) {
        if (!isAsciiLetter(c) && c != u'\'' && c != u' ')
            return bytes(QString(c));
    }
    return fallback;
}

} // namespace

DateTimeLocale systemDateTimeLocale() {
    const QLocale system = QLocale::system();
    DateTimeLocale locale;
    const QString shortDate = system.dateFormat(QLocale::ShortFormat);
    const QString shortTime = system.timeFormat(QLocale::ShortFormat);
    locale.shortDateFormat = fromQtFormat(shortDate);
    locale.longDateFormat = fromQtFormat(system.dateFormat(QLocale::LongFormat));
    locale.shortTimeFormat = fromQtFormat(shortTime);
    QString longTime = system.timeFormat(QLocale::LongFormat);
    // The long time of the Japanese locale data spells its units ("H時mm分ss秒"); the standard
    // form a Japanese user knows from the system is the short one with seconds ("H:mm:ss").
    if (system.language() == QLocale::Japanese) {
        longTime = shortTime.contains(u's') ? shortTime : shortTime + QStringLiteral(":ss");
        // Qt knows no Japanese calendar; the C library's locale data has its eras.
        locale.eras = localeEras("");
    }
    locale.longTimeFormat = fromQtFormat(longTime);
    locale.dateSeparator = separatorOf(shortDate, "/");
    locale.timeSeparator = separatorOf(shortTime, ":");
    for (int m = 1; m <= 12; ++m) {
        locale.shortMonthNames[m - 1] = bytes(system.monthName(m, QLocale::ShortFormat));
        locale.longMonthNames[m - 1] = bytes(system.monthName(m, QLocale::LongFormat));
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d; // Qt counts from Monday = 1 to Sunday = 7
        locale.shortDayNames[d] = bytes(system.dayName(qtDay, QLocale::ShortFormat));
        locale.longDayNames[d] = bytes(system.dayName(qtDay, QLocale::LongFormat));
    }
    locale.amText = bytes(system.amText());
    locale.pmText = bytes(system.pmText());
    return locale;
}

} // namespace trevane
