// The work behind the self-extracting archive dialog, without widgets: its command lines, the
// fields it starts with, and the steps of each outcome.

#include "engine/SfxConverter.h"
#include "engine/ArchiverLibrary.h"
#include "engine/JobCommands.h"
#include "platform/DetachedLauncher.h"
#include "support/StandIns.h"

#include <gtest/gtest.h>

#include <set>

using namespace trevane;

namespace {

using Entries = std::vector<std::string>;

TEST(SfxConverter, CommandLines) {
    const auto conv = PathConventions::native();
    struct Case {
        const char* name;
        std::string archive, folder, command;
    };
    const Case cases[] = {
        {"folder", "/bak/data.lzh", "/out", "s \"/bak/data.lzh\" \"/out/\" -gw"},
        {"folder with separator", "/bak/data.lzh", "/out/", "s \"/bak/data.lzh\" \"/out/\" -gw"},
        {"empty folder", "/bak/data.lzh", "", "s \"/bak/data.lzh\" \"/\" -gw"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JobCommands::selfExtractingCommand(conv, c.archive, c.folder), c.command)
            << c.name;
}

TEST(SfxConverter, Prefill) {
    const std::set<std::string> files = {"/bak/data.lzh", "data.lzh"};
    auto exists = [&](const std::string& p) { return files.count(p) > 0; };
    struct Case {
        const char* name;
        std::string destination, archive;
        std::string field, folder;
    };
    const Case cases[] = {
        {"row", "/bak", "data.lzh", "/bak/data.lzh", "/bak"},
        {"folder with separator", "/bak/", "data.lzh", "/bak/data.lzh", "/bak/"},
        {"no destination", "", "data.lzh", "data.lzh", ""},
        {"empty archive cell", "/bak", "", "", ""},
        {"placeholder not expanded", "/bak", "data%t.lzh", "", ""},
        {"missing file", "/bak", "other.lzh", "", ""},
    };
    for (const Case& c : cases) {
        const auto prefill =
            SfxConverter::prefill(PathConventions::native(), c.destination, c.archive, exists);
        EXPECT_EQ(prefill.archive, c.field) << c.name;
        EXPECT_EQ(prefill.folder, c.folder) << c.name;
    }
}

class ScriptedArchiver : public ArchiverLibrary {
public:
    Result answer{Status::Called, 0};
    std::vector<std::string> calls;
    Result callUnlha(const std::string& commandLine) override {
        calls.push_back(commandLine);
        return answer;
    }
};

using test::RecordingLauncher;

TEST(SfxConverter, ConvertStepsForEachOutcome) {
    using Status = ArchiverLibrary::Status;
    using Outcome = SfxConverter::Outcome;
    const std::string command = "s \"/bak/data.lzh\" \"/out/\" -gw";
    struct Case {
        const char* name;
        std::string archive;
        ArchiverLibrary::Result answer;
        Outcome outcome;
        Entries log;
        int saves;
        Entries started;
    };
    const Case cases[] = {
        {"success",
         "/bak/data.lzh",
         {Status::Called, 0},
         Outcome::Done,
         {command},
         1,
         {"xdg-open \"/out\""}},
        {"library failed",
         "/bak/data.lzh",
         {Status::Called, 5},
         Outcome::Failed,
         {command, "Unlha が失敗しました。(戻り値 5)"},
         1,
         {}},
        {"not loaded",
         "/bak/data.lzh",
         {Status::NotLoaded, -1},
         Outcome::NotLoaded,
         {"Unlha32.dll が組込まれていません。"},
         1,
         {}},
        {"no entry point",
         "/bak/data.lzh",
         {Status::NoEntryPoint, -1},
         Outcome::NoEntryPoint,
         {},
         0,
         {}},
        {"missing archive",
         "/bak/none.lzh",
         {Status::Called, 0},
         Outcome::MissingArchive,
         {},
         0,
         {}},
        {"empty archive field", "", {Status::Called, 0}, Outcome::MissingArchive, {}, 0, {}},
    };
    for (const Case& c : cases) {
        ScriptedArchiver archiver;
        archiver.answer = c.answer;
        RecordingLauncher launcher;
        Entries log;
        Entries saved;
        SfxConverter converter(
            {"/prog", archiver, launcher, [&](const std::string& line) { log.push_back(line); },
             [&](const std::string& folder) { saved.push_back(folder); },
             [](const std::string& p) { return p == "/bak/data.lzh"; }, PathConventions::native()});
        const SfxConverter::Result result = converter.convert(c.archive, "/out");
        EXPECT_EQ(result.outcome, c.outcome) << c.name;
        EXPECT_EQ(log, c.log) << c.name;
        EXPECT_EQ(saved, Entries(static_cast<std::size_t>(c.saves), "/prog")) << c.name;
        EXPECT_EQ(launcher.started, c.started) << c.name;
        EXPECT_EQ(archiver.calls.size(), c.outcome == Outcome::MissingArchive ? 0u : 1u) << c.name;
        if (!archiver.calls.empty()) {
            EXPECT_EQ(archiver.calls.front(), command) << c.name;
        }
    }
}

} // namespace
