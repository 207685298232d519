// The open job file: which changes set the modified flag, and the save-first question with
// saves that do not happen.

#include "jobs/JobDocument.h"
#include "jobs/AtomicFile.h"
#include "jobs/IniFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace trevane;
using Answer = JobDocument::Answer;

namespace {

struct Fixture {
    test::TempDir dir;
    JobDocument doc{dir.path(), dir.file("Trevane.ini")};
    std::vector<Answer> answers;           // the user's answers to the save question
    std::optional<std::string> chosenPath; // the save dialog's answer
    std::vector<std::string> warnings;
    std::vector<std::string> questions;
    bool confirmed = false; // the answer to a yes-or-no question

    JobDocument::Dialogs dialogs() {
        return {[this] {
                    Answer a = answers.front();
                    answers.erase(answers.begin());
                    return a;
                },
                [this](const std::string&) { return chosenPath; },
                [this](const std::string& message) { warnings.push_back(message); },
                [this](const std::string& question) {
                    questions.push_back(question);
                    return confirmed;
                }};
    }
};

TEST(JobDocument, EveryChangeOfContentSetsTheFlag) {
    Fixture f;
    f.doc.setEditText(1, 1, "/src");
    EXPECT_TRUE(f.doc.isModified());
    f.doc.discardChanges();
    f.doc.setEditText(1, 1, "/src"); // the same text again: no change
    EXPECT_FALSE(f.doc.isModified());
    f.doc.setEditText(1, 1, "/srcdef");
    EXPECT_TRUE(f.doc.isModified());

    // Undo brings back the snapshot taken by the last save: a change like any other.
    f.doc.setEditText(2, 1, "/dst");
    f.chosenPath = f.dir.file("a.cpl");
    ASSERT_TRUE(f.doc.save(f.dialogs()));
    f.doc.setEditText(2, 1, "/other");
    f.doc.discardChanges();
    f.doc.undo(GridSelection::cell(1, 1));
    EXPECT_EQ(f.doc.table().cell(2, 1), "/dst");
    EXPECT_TRUE(f.doc.isModified());

    f.doc.discardChanges();
    f.doc.changeTable([](JobTable&) { return false; }); // a cancelled folder dialog
    EXPECT_FALSE(f.doc.isModified());
    f.doc.setOptionItems(JobOptions::editorDefaults().items, "2026-01-01");
    EXPECT_TRUE(f.doc.isModified());
}

TEST(JobDocument, ASaveThatDidNotHappenCountsAsCancel) {
    Fixture f;
    EXPECT_EQ(f.doc.querySaveChanges(f.dialogs()), Answer::Yes) << "unmodified: no question";
    f.doc.setEditText(1, 1, "/a");
    f.doc.setEditText(2, 1, "/b");

    f.answers = {Answer::Yes};
    f.chosenPath.reset(); // the save dialog was cancelled
    EXPECT_EQ(f.doc.querySaveChanges(f.dialogs()), Answer::Cancel);
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_TRUE(f.warnings.empty());

    f.answers = {Answer::Yes};
    f.chosenPath = f.dir.file("missing/x.cpl"); // cannot be written
    EXPECT_EQ(f.doc.querySaveChanges(f.dialogs()), Answer::Cancel);
    EXPECT_TRUE(f.doc.isModified());
    ASSERT_EQ(f.warnings.size(), 1u);
    EXPECT_NE(f.warnings[0].find("に保存できませんでした。"), std::string::npos);
    EXPECT_EQ(f.doc.path(), JobDocument::NewFileName);

    f.answers = {Answer::No};
    EXPECT_EQ(f.doc.querySaveChanges(f.dialogs()), Answer::No);

    f.answers = {Answer::Yes};
    f.chosenPath = f.dir.file("x.cpl");
    EXPECT_EQ(f.doc.querySaveChanges(f.dialogs()), Answer::Yes);
    EXPECT_FALSE(f.doc.isModified());
    EXPECT_EQ(f.doc.path(), f.dir.file("x.cpl"));
    EXPECT_EQ(readWholeFile(f.dir.file("x.cpl")).bytes, "/a,/b,,,,,\r\n");
}

TEST(JobDocument, OpenFailureKeepsTheFlagAndSaveKeepsOptionsOfOtherJobs) {
    Fixture f;
    ASSERT_TRUE(writeFileAtomically(f.dir.file("Trevane.ini"),
                                    "[CONFIG]\r\niMaxLog=7\r\n[/other.cpl]\r\nbOption7=1\r\n")
                    .ok);
    f.doc.setEditText(1, 1, "/a");
    EXPECT_FALSE(f.doc.open(f.dir.file("gone.cpl")));
    EXPECT_TRUE(f.doc.isModified());
    EXPECT_EQ(f.doc.table().cell(1, 1), "");

    f.doc.setEditText(1, 1, "/a");
    f.doc.setEditText(2, 1, "/b");
    ASSERT_TRUE(f.doc.save(f.dialogs())); // the open file's own name now
    IniFile ini;
    ASSERT_EQ(ini.load(f.dir.file("Trevane.ini")), ReadStatus::Ok);
    EXPECT_EQ(ini.readInteger("CONFIG", "iMaxLog", 0), 7);
    EXPECT_TRUE(ini.readBool("/other.cpl", "bOption7", false));
    EXPECT_TRUE(ini.hasSection(f.dir.file("gone.cpl")));
}

} // namespace

// The runner runs a job file of the job-file folder by name: any other is saved there first.
TEST(JobDocument, OnlyAJobFileOfTheJobFileFolderIsReadyToRun) {
    struct Case {
        const char *name, *open; // open: "" for a new table
        bool confirmed;
        std::optional<std::string> chosen;
        bool ready;
        std::size_t questions, warnings;
    } cases[] = {{"inTheFolder", "a.cpl", false, std::nullopt, true, 0, 0},
                 {"newSavedThere", "", true, "b.cpl", true, 1, 0},
                 {"outsideNotSaved", "out/a.cpl", false, std::nullopt, false, 1, 0},
                 {"outsideSavedOutside", "out/a.cpl", true, "out/c.cpl", false, 1, 1}};
    for (const Case& c : cases) {
        Fixture f;
        std::filesystem::create_directories(f.dir / "out");
        EXPECT_TRUE(!*c.open || f.doc.saveTo(f.dir / c.open, f.dialogs())) << c.name;
        f.confirmed = c.confirmed;
        f.chosenPath = c.chosen ? std::optional(f.dir / *c.chosen) : std::nullopt;
        EXPECT_EQ(f.doc.readyToRun(f.dialogs()), c.ready) << c.name;
        EXPECT_EQ(f.questions.size(), c.questions) << c.name;
        EXPECT_EQ(f.warnings.size(), c.warnings) << c.name;
    }
}
