// unlha: the archiver library's command-line front end. The arguments become one command
// line for the entry point Unlha, e.g.  unlha u dst/name.lzh src/ '*.txt' -d1
#include "Unlha.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

// Quotes an argument the way the library's parser splits them back.
std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: unlha COMMAND ARCHIVE [BASE_FOLDER/] [FILES...] [-SWITCHES]\n"
                   "commands: u a l t x e d s; switches: -c -d1 -o5 -o6 -o7 -gw\n",
                   stderr);
        return 2;
    }
    std::string line;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!line.empty())
            line += ' ';
        // Switches stay bare so the library sees them as switches.
        line += (a.size() > 1 && a[0] == '-') ? a : quoted(a);
    }
    // Room for the listing of a large archive; left uninitialised, only what the library
    // writes is ever touched.
    const uint32_t size = 16u << 20;
    std::unique_ptr<char[]> output(new char[size]);
    int code = Unlha(nullptr, line.c_str(), output.get(), size);
    std::fputs(output.get(), code == 0 ? stdout : stderr);
    return code;
}
