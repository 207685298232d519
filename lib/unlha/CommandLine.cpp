#include "CommandLine.h"

#include "CommandWords.h"

namespace unlha {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string s) {
    for (char& c : s)
        c = lower(c);
    return s;
}

Status applySwitch(const std::string& sw, CommandLine& out) {
    std::string s = lowered(sw);
    if (s == "c" || s == "c1")
        out.replaceAll = true;
    else if (s == "c0")
        out.replaceAll = false;
    else if (s == "d" || s == "d1")
        out.keepFolders = true;
    else if (s == "d0")
        out.keepFolders = false;
    else if (s == "o5" || s == "o6" || s == "o7")
        out.method = s[1] - '0';
    else if (s == "g" || s == "gw")
        out.graphical = true;
    else
        return Status(Code::BadCommand, "unknown switch -" + sw);
    return {};
}

} // namespace

Status CommandLine::parse(const std::string& text, CommandLine& out) {
    out = CommandLine{};
    const trevane::CommandWords split = trevane::CommandWords::split(text);
    if (split.unclosedQuote)
        return Status(Code::BadCommand, "unbalanced quote");
    const std::vector<std::string>& args = split.words;
    const std::vector<bool>& quoted = split.quoted;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!quoted[i] && a.size() > 1 && a[0] == '-') {
            // A group such as "-c-d1" holds several switches.
            size_t start = 1;
            while (start <= a.size()) {
                size_t dash = a.find('-', start);
                if (dash == std::string::npos)
                    dash = a.size();
                std::string one = a.substr(start, dash - start);
                if (one.empty())
                    return Status(Code::BadCommand, "empty switch in " + a);
                Status s = applySwitch(one, out);
                if (!s.ok())
                    return s;
                start = dash + 1;
            }
            continue;
        }
        positional.push_back(a);
    }
    if (positional.empty())
        return Status(Code::BadCommand, "no command");
    const std::string cmd = lowered(positional[0]);
    if (cmd.size() != 1 || std::string("ualvtxeds").find(cmd[0]) == std::string::npos)
        return Status(Code::BadCommand, "unknown command " + positional[0]);
    out.command = cmd[0] == 'v' ? 'l' : cmd[0];
    if (positional.size() < 2 || positional[1].empty())
        return Status(Code::BadCommand, "no archive name");
    out.archive = positional[1];
    bool haveBase = false;
    for (size_t i = 2; i < positional.size(); ++i) {
        const std::string& p = positional[i];
        if (p.empty())
            continue;
        if (!haveBase && p.back() == '/') {
            out.baseFolder = p;
            haveBase = true;
            continue;
        }
        out.files.push_back(p);
    }
    return {};
}

} // namespace unlha
