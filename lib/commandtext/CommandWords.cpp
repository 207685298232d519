#include "CommandWords.h"

namespace trevane {

CommandWords CommandWords::split(std::string_view line) {
    CommandWords out;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && blank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::string word;
        const bool startedQuoted = line[i] == '"';
        bool inQuotes = false;
        while (i < line.size() && (inQuotes || !blank(line[i]))) {
            const char c = line[i];
            if (c == '"') {
                if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
                    word.push_back('"');
                    i += 2;
                    continue;
                }
                inQuotes = !inQuotes;
            } else {
                word.push_back(c);
            }
            ++i;
        }
        out.unclosedQuote = out.unclosedQuote || inQuotes;
        out.words.push_back(std::move(word));
        out.quoted.push_back(startedQuoted);
    }
    return out;
}

} // namespace trevane
