// Restores from real backups, made by the archiver library and by xcopy, into targets that hold
// a file newer than its backup; and from a hostile archive.
#include "support/StandIns.h"

#include "engine/BackupLocation.h"
#include "engine/Restorer.h"
#include "engine/UnlhaLibrary.h"
#include "platform/ProcessSpawner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <tuple>

using namespace trevane;
using namespace trevane::test;

namespace {

const std::string binFolder = HELPER_FOLDER;
constexpr time_t kBackupTime = 1600000000;

void setTime(const std::string& path, time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

time_t timeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtime;
}

void setTimeNs(const std::string& path, time_t when, long ns) {
    const timespec times[2] = {{when, ns}, {when, ns}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

} // namespace

TEST(RestoreTest, EachFileIsDecidedOnceAndCountedAsDecided) {
    TempDir dir;
    const std::string src = dir / "src";
    std::filesystem::create_directories(src + "/sub");
    std::filesystem::create_directories(src + "/two");
    // Names a listing printed for people would misread, or the archiver would take for patterns.
    const std::map<std::string, std::string> files = {{"a.txt", "alpha"},
                                                      {"sub/a.txt", "sub alpha"},
                                                      {"sub/b.txt", std::string(20000, 'b')},
                                                      {"two/c.txt", "c"},
                                                      {"*", "star"},
                                                      {"x -> y.txt", "arrow"}};
    for (const auto& [name, bytes] : files) {
        writeFile(src + "/" + name, bytes);
        setTime(src + "/" + name, kBackupTime);
    }
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    const auto spawner = ProcessSpawner::createNative(binFolder);
    const std::string archive = dir / "bak.lzh", folder = dir / "bak";
    ASSERT_EQ(archiver.callUnlha("u \"" + archive + "\" \"" + src + "/\" -d1").code, 0);
    ASSERT_EQ(spawner->run("xcopy \"" + src + "\" \"" + folder + "\" /S/E/I/K", 4096, {}).exitCode,
              0);

    const BackupListing listing = listArchiveMembers(archive);
    ASSERT_EQ(listing.status, BackupListing::Status::Listed);
    const auto b = std::find_if(listing.members.begin(), listing.members.end(),
                                [](const BackupMember& m) { return m.path == "sub/b.txt"; });
    ASSERT_NE(b, listing.members.end());
    EXPECT_EQ(std::make_pair(b->size, b->mtime),
              std::make_pair(std::uint64_t{20000}, std::int64_t{kBackupTime}));

    using Prepare = std::function<void(const std::string& target)>;
    const Prepare newerA = [](const std::string& t) { writeFile(t + "/a.txt", "mine"); };
    const Prepare olderA = [](const std::string& t) {
        writeFile(t + "/a.txt", "mine");
        setTime(t + "/a.txt", kBackupTime - 100);
    };
    struct Row {
        const char* what;
        std::string from;
        bool overwrite;
        std::vector<std::string> names;
        Prepare prepare;
        std::size_t restored, kept, problems, setAside;
        int exit;
        const char* aText; // a.txt of the target afterwards
    };
    const Row rows[] = {
        {"archive, newer kept", archive, false, {}, newerA, 5, 1, 0, 0, 1, "mine"},
        {"archive, overwrite", archive, true, {}, newerA, 6, 0, 0, 1, 0, "alpha"},
        {"archive, a folder", archive, false, {"sub/"}, newerA, 2, 0, 0, 0, 0, "mine"},
        {"archive, the member named *", archive, false, {"*"}, {}, 1, 0, 0, 0, 0, ""},
        {"archive, a name that climbs", archive, false, {"sub/../../x"}, {}, 0, 0, 1, 0, 1, ""},
        {"folder, newer kept", folder, false, {}, newerA, 5, 1, 0, 0, 1, "mine"},
        {"folder, overwrite", folder, true, {}, newerA, 6, 0, 0, 1, 0, "alpha"},
        {"folder, a file", folder, false, {"sub/b.txt"}, newerA, 1, 0, 0, 0, 0, "mine"},
        {"folder, older replaced", folder, false, {}, olderA, 6, 0, 0, 1, 0, "alpha"},
        {"folder, ./a.txt is the top one",
         folder,
         true,
         {"./a.txt"},
         olderA,
         1,
         0,
         0,
         1,
         0,
         "alpha"},
        {"folder, half a second newer",
         folder,
         false,
         {"a.txt"},
         [](const std::string& t) {
             writeFile(t + "/a.txt", "mine");
             setTimeNs(t + "/a.txt", kBackupTime, 500000000);
         },
         0,
         1,
         0,
         0,
         1,
         "mine"},
        {"folder, a FIFO at a file's name",
         folder,
         false,
         {},
         [](const std::string& t) { ::mkfifo((t + "/a.txt").c_str(), 0600); },
         5,
         0,
         1,
         0,
         1,
         ""},
        {"folder, a folder at a file's name",
         folder,
         true,
         {},
         [](const std::string& t) { std::filesystem::create_directories(t + "/a.txt"); },
         5,
         0,
         1,
         0,
         1,
         ""},
        {"archive, a file where a folder should be",
         archive,
         false,
         {},
         [](const std::string& t) { writeFile(t + "/sub", "in the way"); },
         4,
         0,
         1,
         0,
         1,
         "alpha"},
    };
    for (const Row& row : rows) {
        const std::string target = dir / row.what;
        std::filesystem::create_directories(target);
        if (row.prepare)
            row.prepare(target);
        std::size_t stepsDone = 0, stepsTotal = 0;
        const RestoreResult r = Restorer::restore({row.from, target, row.names, row.overwrite},
                                                  [&](std::uint64_t done, std::uint64_t total) {
                                                      stepsDone = done;
                                                      stepsTotal = total;
                                                  });
        EXPECT_EQ(r.restored, row.restored) << row.what;
        EXPECT_EQ(r.keptNewer, row.kept) << row.what;
        EXPECT_EQ(r.problems.size(), row.problems) << row.what << ": " << r.summary();
        EXPECT_EQ(r.exitCode(), row.exit) << row.what << ": " << r.summary();
        if (*row.aText) {
            EXPECT_EQ(readFile(target + "/a.txt"), row.aText) << row.what;
        }
        if (row.names.empty() && row.problems == 0) {
            for (const auto& [name, bytes] : files) {
                if (name != "a.txt") {
                    EXPECT_EQ(readFile(target + "/" + name), bytes) << row.what << ": " << name;
                }
            }
            EXPECT_EQ(timeOf(target + "/sub/b.txt"), kBackupTime) << row.what;
        }
        // Only what was chosen: sub/a.txt is not the top a.txt, "*" is one name.
        if (!row.names.empty() && row.names[0] != "sub/") {
            EXPECT_FALSE(std::filesystem::exists(target + "/sub/a.txt")) << row.what;
        }
        // What a restore replaced differs from the backup, and is kept aside.
        EXPECT_EQ(r.setAside, row.setAside) << row.what;
        if (r.setAside) {
            EXPECT_EQ(readFile(target + "/" + r.asideFolder + "/a.txt"), "mine") << row.what;
        }
        EXPECT_EQ(stepsDone, stepsTotal) << row.what;
    }
    // Names chosen in the window are members' paths: b.txt at the top is none, not sub/b.txt.
    const std::string top = dir / "top";
    const RestoreResult listed = Restorer::restore({archive, top, {"a.txt", "b.txt"}, true, true});
    EXPECT_EQ(readFile(top + "/a.txt"), "alpha") << listed.summary();
    EXPECT_FALSE(std::filesystem::exists(top + "/sub/b.txt")) << listed.summary();
}

TEST(RestoreTest, ALaterOlderDuplicateMemberDoesNotStandForItsFile) {
    TempDir dir;
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    std::string joined;
    for (const auto& [text, when] : {std::pair{"new", kBackupTime + 100}, {"old", kBackupTime}}) {
        std::filesystem::create_directories(dir / text);
        writeFile(dir / text + "/a.txt", text);
        setTime(dir / text + "/a.txt", when);
        const std::string archive = dir / text + ".lzh";
        ASSERT_EQ(archiver.callUnlha("u \"" + archive + "\" \"" + dir / text + "/\"").code, 0);
        joined += readFile(archive);
        joined.pop_back(); // the archive's end mark: the next one's members follow
    }
    writeFile(dir / "both.lzh", joined + '\0');
    const RestoreResult r = Restorer::restore({dir / "both.lzh", dir / "t"});
    EXPECT_EQ(readFile(dir / "t/a.txt"), "new");
    EXPECT_EQ(std::make_pair(r.restored, r.exitCode()), std::make_pair(std::size_t{1}, 0))
        << r.summary();
}

TEST(RestoreTest, AHostileBackupWritesNothingOutsideTheTarget) {
    TempDir dir;
    // A copy's folder with a link out and a link in.
    std::filesystem::create_directories(dir / "bak");
    writeFile(dir / "bak/a.txt", "a");
    std::filesystem::create_symlink("/etc/passwd", dir / "bak/out");
    std::filesystem::create_symlink("a.txt", dir / "bak/in");
    for (const std::string from :
         {"dotdot.lzh", "abspath.lzh", "symlink2.lzh", "symlink3.lzh", "bak"}) {
        const std::string target = dir / "a/b/target" + from;
        const RestoreResult r = Restorer::restore(
            {from == "bak" ? dir / "bak" : UNLHA_TESTDATA "/hostile/" + from, target});
        EXPECT_EQ(r.exitCode(), 1) << from;
        EXPECT_FALSE(r.problems.empty()) << from;
        EXPECT_FALSE(std::filesystem::exists(target + "/tmp")) << from;
        EXPECT_FALSE(std::filesystem::is_symlink(target + "/out")) << from;
    }
    EXPECT_EQ(readFile(dir / "a/b/targetbak/in"), "a");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "a"))
        EXPECT_TRUE(entry.path() == dir / "a/b" ||
                    entry.path().string().rfind(dir / "a/b/target", 0) == 0)
            << entry.path();
}

TEST(RestoreTest, AFolderSwappedForALinkMidwayIsNeitherWrittenThroughNorGivenAMode) {
    TempDir dir;
    std::filesystem::create_directories(dir / "bak/sub");
    writeFile(dir / "bak/sub/b.txt", "b");
    ::chmod((dir / "bak/sub").c_str(), 0777);
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    ASSERT_EQ(archiver.callUnlha("u \"" + dir / "bak.lzh" + "\" \"" + dir / "bak/\" -d1").code, 0);
    std::filesystem::create_directories(dir / "outside");
    ::chmod((dir / "outside").c_str(), 0700);
    for (const std::string from : {"bak", "bak.lzh"}) {
        const std::string target = dir / "t" + from;
        RestoreRequest request{dir / from, target};
        // Someone else's folder: between the plan and the write, sub becomes a link out.
        request.beforeWrite = [&](const std::string& path) {
            if (path != "sub/b.txt")
                return;
            std::filesystem::remove_all(target + "/sub");
            std::filesystem::create_symlink(dir / "outside", target + "/sub");
        };
        const RestoreResult r = Restorer::restore(request);
        EXPECT_EQ(std::make_pair(r.problems.size(), r.exitCode()),
                  std::make_pair(std::size_t{1}, 1))
            << from << ": " << r.summary();
        EXPECT_FALSE(std::filesystem::exists(dir / "outside/b.txt")) << from;
        struct stat st {};
        ::stat((dir / "outside").c_str(), &st);
        EXPECT_EQ(st.st_mode & 07777, 0700u) << from;
    }
}

TEST(RestoreTest, AFolderOfManyFilesComesBackInItsFolder) {
    TempDir dir;
    const std::string folder = dir / "bak/a folder of many files";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 40; ++i)
        writeFile(folder + "/" + std::to_string(i), "x");
    const RestoreResult r = Restorer::restore({dir / "bak", dir / "t"});
    EXPECT_EQ(std::make_pair(r.restored, r.exitCode()), std::make_pair(std::size_t{40}, 0));
    EXPECT_EQ(readFile(dir / "t/a folder of many files/39"), "x");
}

TEST(RestoreTest, RestoringTwiceKeepsNothingAsideAndSucceeds) {
    TempDir dir;
    std::filesystem::create_directories(dir / "src");
    writeFile(dir / "src/a.txt", "a");
    std::filesystem::create_symlink("a.txt", dir / "src/in");
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    ASSERT_EQ(archiver.callUnlha("u \"" + dir / "bak.lzh" + "\" \"" + dir / "src/\"").code, 0);
    // A link made by the first restore is newer than its member, and still the same link.
    for (const std::string& from : {dir / "src", dir / "bak.lzh"})
        for (int run = 1; run <= 2; ++run) {
            const RestoreResult r = Restorer::restore({from, from + ".restored"});
            EXPECT_EQ(std::make_tuple(r.restored, r.setAside, r.exitCode()),
                      std::make_tuple(std::size_t{2}, std::size_t{0}, 0))
                << from << " " << run << ": " << r.summary();
        }
}

TEST(RestoreTest, ADamagedArchiveGivesBackWhatCameBeforeTheDamage) {
    TempDir dir;
    std::filesystem::create_directories(dir / "src");
    writeFile(dir / "src/a.txt", "alpha");
    std::string noise(100000, '\0');
    unsigned seed = 1;
    for (char& c : noise)
        c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    writeFile(dir / "src/b.bin", noise);
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    const std::string archive = dir / "bak.lzh";
    ASSERT_EQ(archiver.callUnlha("u \"" + archive + "\" \"" + dir / "src/\" a.txt b.bin").code, 0);
    std::filesystem::resize_file(archive, std::filesystem::file_size(archive) - 1000);
    const RestoreResult r = Restorer::restore({archive, dir / "t"});
    EXPECT_EQ(readFile(dir / "t/a.txt"), "alpha");
    EXPECT_EQ(std::make_pair(r.restored, r.exitCode()), std::make_pair(std::size_t{1}, 1));
}

TEST(RestoreTest, ARowsArchiveIsTheNewestOfTheNamesItsStampMakes) {
    TempDir dir;
    // Brackets are no set and case counts: only data[1]_*.lzh are this row's archives.
    const std::pair<const char*, time_t> files[] = {{"data[1]_261101.lzh", 100},
                                                    {"data[1]_261201.lzh", 200},
                                                    {"data1_261130.lzh", 300},
                                                    {"DATA[1]_261202.lzh", 400}};
    for (const auto& [name, when] : files) {
        writeFile(dir / name, "x");
        setTime(dir / name, kBackupTime + when);
    }
    JobRow row;
    row.source = "/src";
    row.destination = dir.path();
    row.archive = "data[1]_%t.lzh";
    EXPECT_EQ(BackupLocation::ofRow(row).from, dir / "data[1]_261201.lzh");
    row.archive = "plain";
    EXPECT_EQ(BackupLocation::ofRow(row).from, dir / "plain.lzh");
}
