#include "engine/RunnerHost.h"

namespace trevane {

void RunnerHost::addLogLines(const std::vector<LogLines::Entry>& entries) {
    for (const LogLines::Entry& entry : entries)
        addLogLine(entry.message, entry.maxLines);
}

std::string RunnerHost::runningTrayTip(std::string_view queueHead) {
    constexpr std::size_t tipLimit = 255;
    std::string tip = "Trevane - ";
    tip.append(queueHead);
    tip.append(" 実行中");
    if (tip.size() <= tipLimit)
        return tip;
    // Cut at the byte limit, but never inside a multi-byte character: a dangling lead byte would
    // show as a replacement mark in the tray.
    std::size_t cut = tipLimit;
    while (cut > 0 && (static_cast<unsigned char>(tip[cut]) & 0xC0) == 0x80)
        --cut;
    tip.resize(cut);
    return tip;
}

} // namespace trevane
