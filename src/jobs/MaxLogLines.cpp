#include "jobs/MaxLogLines.h"

#include "jobs/IniFile.h"

namespace trevane {

std::optional<std::string> MaxLogLines::textOnExit(std::string_view text) {
    int value = 0;
    if (IniFile::parseInteger(text, value) && value < Least)
        return std::to_string(Least);
    return std::nullopt;
}

int MaxLogLines::valueToStore(std::string_view text) {
    int value = 0;
    return IniFile::parseInteger(text, value) ? value : Fallback;
}

} // namespace trevane
