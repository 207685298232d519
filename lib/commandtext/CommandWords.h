#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// A command line split into words, as the runner starts programs and the archiver library
// reads its commands (xcopy "/My Data/*.doc" "/bak" /Y, u "a.lzh" "src/" -d1):
// - blanks separate words: space and tab, and line ends (CR, LF), which no name the program
//   passes ends with and which a command handed over from a file may carry;
// - a double quote opens or closes a quoted run that may hold blanks; inside it two double
//   quotes in a row stand for one; a quoted run of nothing ("") is an empty word;
// - backslash is an ordinary character;
// - a quote left open makes the whole line unusable: where the user meant the run to end
//   cannot be known, so callers refuse the line rather than guess.
struct CommandWords {
    std::vector<std::string> words;
    std::vector<bool> quoted;   // per word: it began with a double quote (so is never a switch)
    bool unclosedQuote = false; // the line ended inside a quoted run

    static CommandWords split(std::string_view line);
};

} // namespace trevane
