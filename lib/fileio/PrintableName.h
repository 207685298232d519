#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace trevane {

// A file name as a line of output shows it: control characters (a newline, an escape sequence)
// are written as \n, \r, \t or \xHH, so a name such as "x\nJob End @ ..." cannot forge lines of
// the log that takes this output, nor steer a terminal.
inline std::string printableName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

} // namespace trevane
