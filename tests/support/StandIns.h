#pragma once

// Stand-ins shared by the tests of the engine, the dialogs and the windows: a temporary folder,
// a host that records every synchronized operation, a fixed clock, a launcher and a fatal
// reporter that record.

#include "engine/Clock.h"
#include "engine/FatalReporter.h"
#include "engine/LogLines.h"
#include "engine/RunnerHost.h"
#include "platform/DetachedLauncher.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace trevane::test {

// A host whose main window is a few fields: the queue, the continue flag and a log store.
// Every call is also recorded as a short text ("log:..." etc.) in calls.
class RecordingHost : public RunnerHost {
public:
    RunnerSettings settings;
    std::vector<std::string> queue;
    bool continueFlag = true;
    bool headRed = false;
    bool hidden = false;
    LogLines log;
    std::vector<std::string> calls;
    // The progress operations: "row 0/3" for rowStarted(0, 3), "end a.cpl 2" for
    // jobEnded("a.cpl", 2).
    std::vector<std::string> progress;
    // Called at the start of every checkRunAllowed with its running count (1, 2, ...), so a
    // test can clear the continue flag at a chosen moment.
    std::function<void(int)> onCheck;
    std::function<void(const std::string&)> onLog; // may throw to test error handling
    int checks = 0;

    RunnerSettings copySettings() override {
        calls.push_back("copySettings");
        return settings;
    }
    bool checkRunAllowed() override {
        ++checks;
        if (onCheck)
            onCheck(checks);
        calls.push_back("check");
        return !queue.empty() && continueFlag;
    }
    std::optional<std::string> markQueueHead() override {
        calls.push_back("mark");
        if (queue.empty())
            return std::nullopt;
        headRed = true;
        return queue.front();
    }
    void removeQueueHead() override {
        calls.push_back("remove");
        if (!queue.empty())
            queue.erase(queue.begin());
    }
    void reportAbort() override {
        calls.push_back("abort");
        headRed = false;
    }
    void hideMainWindow() override {
        calls.push_back("hide");
        hidden = true;
    }
    void addLogLine(const std::string& message, int maxLogLines) override {
        if (onLog)
            onLog(message);
        calls.push_back("log:" + message);
        log.append(message, maxLogLines);
    }
    WriteResult saveLogPanel(const std::string& path) override {
        calls.push_back("save:" + path);
        return log.save(path);
    }
    void showState(const std::string& state) override { calls.push_back("state:" + state); }
    void rowStarted(int row, int rows) override {
        progress.push_back("row " + std::to_string(row) + "/" + std::to_string(rows));
    }
    void jobEnded(const std::string& jobFileName, int failedSteps) override {
        progress.push_back("end " + jobFileName + " " + std::to_string(failedSteps));
    }

    std::vector<std::string> logLines() const { return {log.lines().begin(), log.lines().end()}; }
    // Only the log entries, as they were handed in (before splitting into lines).
    std::vector<std::string> logCalls() const {
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind("log:", 0) == 0)
                out.push_back(c.substr(4));
        return out;
    }
};

class FixedClock : public Clock {
public:
    DateTime when{2000, 1, 15, 10, 20, 30, 0};
    DateTime now() override { return when; }
};

class RecordingLauncher : public DetachedLauncher {
public:
    std::vector<std::string> started;
    bool refuse = false; // every start fails, as for a program that is not there
    bool start(const std::string& commandLine, std::string*) override {
        if (refuse)
            return false;
        started.push_back(commandLine);
        return true;
    }
};

class RecordingFatal : public FatalReporter {
public:
    std::vector<std::string> messages;
    void fail(std::string_view check, int line) override {
        messages.push_back(message(check, line));
    }
};

} // namespace trevane::test
