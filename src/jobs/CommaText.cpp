#include "jobs/CommaText.h"

namespace trevane {

namespace {

// Zero is among the blanks: a line may hold one, and a scan that stopped for it without
// stepping over it would never end.
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool needsQuotes(std::string_view field) {
    for (const char c : field) {
        if (isBlank(c) || c == '"' || c == ',')
            return true;
    }
    return false;
}

} // namespace

std::string joinCommaText(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line.push_back(',');
        const std::string& field = fields[i];
        if (!needsQuotes(field)) {
            line.append(field);
            continue;
        }
        line.push_back('"');
        for (const char c : field) {
            if (c == '"')
                line.push_back('"');
            line.push_back(c);
        }
        line.push_back('"');
    }
    return line;
}

std::vector<std::string> splitCommaText(std::string_view line) {
    std::vector<std::string> items;
    size_t p = 0;
    const size_t n = line.size();
    auto skipBlanks = [&] {
        while (p < n && isBlank(line[p]))
            ++p;
    };

    skipBlanks();
    while (p < n) {
        std::string item;
        if (line[p] == '"') {
            ++p;
            while (p < n) {
                if (line[p] == '"') {
                    if (p + 1 < n && line[p + 1] == '"') {
                        item.push_back('"');
                        p += 2;
                        continue;
                    }
                    ++p; // the closing quote
                    break;
                }
                item.push_back(line[p++]);
            }
        } else {
            const size_t start = p;
            while (p < n && !isBlank(line[p]) && line[p] != ',')
                ++p;
            item.assign(line.substr(start, p - start));
        }
        items.push_back(std::move(item));

        skipBlanks();
        if (p < n && line[p] == ',') {
            ++p;
            skipBlanks();
        }
    }
    return items;
}

std::string trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string_view withoutByteOrderMark(std::string_view text) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, byteOrderMark.size()) == byteOrderMark)
        text.remove_prefix(byteOrderMark.size());
    return text;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t p = 0;
    const size_t n = text.size();
    while (p < n) {
        const char c = text[p];
        if (c != '\r' && c != '\n') {
            ++p;
            continue;
        }
        lines.emplace_back(text.substr(start, p - start));
        p += (c == '\r' && p + 1 < n && text[p + 1] == '\n') ? 2 : 1;
        start = p;
    }
    if (start < n)
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string joinLinesCrLf(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

} // namespace trevane
