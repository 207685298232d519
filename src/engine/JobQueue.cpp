#include "engine/JobQueue.h"

#include "PathConventions.h"
#include "jobs/CommaText.h"
#include "platform/TextCodec.h"

#include <algorithm>

namespace trevane {

namespace {

// Letter case is folded as the window's text compares it, beyond ASCII too ("Ａ" and "ａ").
bool sameName(std::string_view a, std::string_view b) {
    return toQString(a).compare(toQString(b), Qt::CaseInsensitive) == 0;
}

} // namespace

bool JobQueue::startRunnerIfNone() {
    if (m_hasRunner)
        return false;
    m_hasRunner = true;
    m_jobsDone = 0;
    return true;
}

bool JobQueue::add(std::string_view path) {
    m_continue = true;
    const std::string name = PathConventions::native().fileName(path);
    if (std::none_of(m_names.begin(), m_names.end(),
                     [&](const std::string& line) { return sameName(line, name); }))
        m_names.push_back(name);
    return startRunnerIfNone();
}

bool JobQueue::addBlock(std::string_view text) {
    text = withoutByteOrderMark(text);
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first != std::string_view::npos) {
        const auto last = text.find_last_not_of(blanks);
        for (std::string& name : splitLines(text.substr(first, last - first + 1)))
            m_names.push_back(std::move(name));
    }
    // The head is queued already, so add() only sets the flag and asks for a runner.
    if (m_hasRunner || m_names.empty())
        return false;
    return add(m_names.front());
}

bool JobQueue::stop() {
    if (!m_continue)
        return false;
    m_continue = false;
    return true;
}

bool JobQueue::restart() {
    return !m_names.empty() && add(m_names.front());
}

void JobQueue::clear() {
    if (m_hasRunner) {
        if (m_names.size() > 1)
            m_names.resize(1);
        return;
    }
    m_names.clear();
    m_headColour = HeadColour::Plain;
}

bool JobQueue::runnerEnded() {
    m_hasRunner = false;
    return m_continue && !m_names.empty() && add(m_names.front());
}

std::optional<std::string> JobQueue::markHead() {
    if (m_names.empty())
        return std::nullopt;
    m_headColour = HeadColour::Red;
    return m_names.front();
}

void JobQueue::removeHead() {
    if (m_names.empty())
        return;
    m_names.erase(m_names.begin());
    m_headColour = HeadColour::Plain;
    ++m_jobsDone;
}

std::string JobQueue::progressText(int row, int rows) const {
    std::string text = "ジョブ " + std::to_string(m_jobsDone + 1) + "/" +
                       std::to_string(m_jobsDone + static_cast<int>(m_names.size()));
    if (rows > 0)
        text += " 行 " + std::to_string(row + 1) + "/" + std::to_string(rows);
    return text;
}

void JobQueue::reportAbort() {
    if (!m_names.empty())
        m_headColour = HeadColour::Black;
}

} // namespace trevane
