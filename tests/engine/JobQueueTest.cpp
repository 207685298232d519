#include "engine/JobQueue.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

using namespace trevane;

namespace {

// "names|colour|flags": names joined by ","; the head colour P(lain), R(ed) or B(lack); "stop"
// while the continue flag is clear, "run" while a runner works.
std::string state(const JobQueue& q) {
    std::string out;
    for (const std::string& name : q.names())
        out += (out.empty() ? "" : ",") + name;
    out = out + '|' + "PRB"[static_cast<int>(q.headColour())];
    return out + (q.continueRun() ? "" : "|stop") + (q.hasRunner() ? "|run" : "");
}

// What each operation returns: for add, block, restart and ended whether to start a runner.
using Op = bool (*)(JobQueue&, std::string_view);
const std::map<std::string_view, Op> ops = {
    {"add", [](JobQueue& q, std::string_view arg) { return q.add(arg); }},
    {"block", [](JobQueue& q, std::string_view arg) { return q.addBlock(arg); }},
    {"stop", [](JobQueue& q, std::string_view) { return q.stop(); }},
    {"restart", [](JobQueue& q, std::string_view) { return q.restart(); }},
    {"clear", [](JobQueue& q, std::string_view) { return q.clear(), false; }},
    {"ended", [](JobQueue& q, std::string_view) { return q.runnerEnded(); }},
    {"mark", [](JobQueue& q, std::string_view) { return q.markHead().has_value(); }},
    {"remove", [](JobQueue& q, std::string_view) { return q.removeHead(), false; }},
    {"abort", [](JobQueue& q, std::string_view) { return q.reportAbort(), false; }},
};

} // namespace

// One queue through a window's life; each step: operation, argument, its result and the queue
// afterwards.
TEST(JobQueue, RunControl) {
    const std::tuple<const char*, const char*, bool, const char*> steps[] = {
        // clang-format off
        {"add", "/elsewhere/Job.cpl", true, "Job.cpl|P|run"},
        {"add", "/home/u/CPL/job.CPL", false, "Job.cpl|P|run"}, // once, in any letter case
        {"add", "Ａ.cpl", false, "Job.cpl,Ａ.cpl|P|run"},
        {"add", "ａ.CPL", false, "Job.cpl,Ａ.cpl|P|run"},
        {"mark", "", true, "Job.cpl,Ａ.cpl|R|run"}, {"stop", "", true, "Job.cpl,Ａ.cpl|R|stop|run"},
        {"stop", "", false, "Job.cpl,Ａ.cpl|R|stop|run"},
        {"abort", "", false, "Job.cpl,Ａ.cpl|B|stop|run"},
        {"ended", "", false, "Job.cpl,Ａ.cpl|B|stop"}, // a stop keeps the queue
        {"restart", "", true, "Job.cpl,Ａ.cpl|B|run"}, {"mark", "", true, "Job.cpl,Ａ.cpl|R|run"},
        // The registered block: no duplicate check, inner blank lines kept.
        {"block", "\r\n  one.cpl\r\n\r\nJob.cpl\r\n\r\n", false,
         "Job.cpl,Ａ.cpl,one.cpl,,Job.cpl|R|run"},
        {"clear", "", false, "Job.cpl|R|run"}, {"remove", "", false, "|P|run"},
        // Queued after the runner's last look at the queue: a new runner takes it.
        {"add", "b.cpl", false, "b.cpl|P|run"}, {"ended", "", true, "b.cpl|P|run"},
        {"remove", "", false, "|P|run"}, {"ended", "", false, "|P"},
        {"stop", "", true, "|P|stop"}, {"restart", "", false, "|P|stop"},
        {"block", " \r\n ", false, "|P|stop"}, {"block", "\xEF\xBB\xBF" "c.cpl", true, "c.cpl|P|run"},
        {"abort", "", false, "c.cpl|B|run"}, {"stop", "", true, "c.cpl|B|stop|run"},
        {"block", "d.cpl", false, "c.cpl,d.cpl|B|stop|run"},
        {"ended", "", false, "c.cpl,d.cpl|B|stop"}, {"clear", "", false, "|P|stop"},
        // clang-format on
    };
    JobQueue q;
    for (const auto& [op, arg, result, after] : steps) {
        EXPECT_EQ(ops.at(op)(q, arg), result) << op << ' ' << arg << " -> " << after;
        EXPECT_EQ(state(q), after) << op << ' ' << arg;
    }
}

namespace {

TEST(JobQueue, ProgressCountsTheJobsOfOneRun) {
    JobQueue q;
    EXPECT_TRUE(q.add("a.cpl"));
    EXPECT_FALSE(q.add("b.cpl"));
    EXPECT_EQ(q.progressText(0, 3), "ジョブ 1/2 行 1/3");
    q.removeHead();
    EXPECT_FALSE(q.add("c.cpl")); // queued while running: one more job of the same run
    EXPECT_EQ(q.progressText(4, 5), "ジョブ 2/3 行 5/5");
    EXPECT_EQ(q.progressText(0, 0), "ジョブ 2/3");
    q.removeHead();
    q.removeHead();
    EXPECT_FALSE(q.runnerEnded());
    EXPECT_TRUE(q.add("d.cpl")); // a new run counts from the start
    EXPECT_EQ(q.progressText(0, 1), "ジョブ 1/1 行 1/1");
}

} // namespace
