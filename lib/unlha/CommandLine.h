#pragma once

#include "Status.h"

#include <string>
#include <vector>

namespace unlha {

// One command as the entry point receives it, for example
//   u "dst/name.lzh" "src/" "*.doc" -c-d1
// The command letter comes first and the archive second; a later argument ending in "/" is
// the base folder, the others are file names, folder names or wildcard patterns relative to
// it. Switches may stand anywhere and may be joined ("-c-d1"). Words are split as the runner
// splits its command lines (CommandWords); a quoted word is never a switch.
struct CommandLine {
    char command = 0;       // lower case: u a l v t x e d s
    std::string archive;    // as given
    std::string baseFolder; // ends with "/", or empty for the current folder
    std::vector<std::string> files;
    bool replaceAll = false;  // -c: no time check (u), overwrite newer and read-only files (x, e)
    bool keepFolders = false; // -d1: folder structure, attributes, subfolders
    int method = 5;           // -o5, -o6, -o7
    bool graphical = false;   // -gw: accepted; there is no graphical extractor here

    // Code::BadCommand with a short reason for an unknown command or switch, a missing
    // archive name, or an unbalanced quote.
    static Status parse(const std::string& text, CommandLine& out);
};

} // namespace unlha
