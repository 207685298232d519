// Restores from real backups, made by the archiver library and by xcopy, into targets that hold
// a file newer than its backup; and from a hostile archive.
#include "support/StandIns.h"

#include "engine/Restorer.h"
#include "engine/UnlhaLibrary.h"
#include "platform/ProcessSpawner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

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

} // namespace

TEST(RestoreTest, NewerFilesAreKeptUnlessOverwriting) {
    TempDir dir;
    const std::string src = dir / "src";
    std::filesystem::create_directories(src + "/sub");
    std::filesystem::create_directories(src + "/two");
    writeFile(src + "/a.txt", "alpha");
    writeFile(src + "/sub/b.txt", std::string(20000, 'b'));
    writeFile(src + "/two/c.txt", "c");
    for (const char* file : {"/a.txt", "/sub/b.txt", "/two/c.txt"})
        setTime(src + file, kBackupTime);
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    const auto spawner = ProcessSpawner::createNative(binFolder);
    const std::string archive = dir / "bak.lzh", folder = dir / "bak";
    ASSERT_EQ(archiver.callUnlha("u \"" + archive + "\" \"" + src + "/\" -d1").code, 0);
    ASSERT_EQ(spawner->run("xcopy \"" + src + "\" \"" + folder + "\" /S/E/I/K", 4096, {}).exitCode,
              0);

    const BackupListing listing = listArchiveMembers(archiver, archive);
    ASSERT_EQ(listing.status, BackupListing::Status::Listed);
    const auto b = std::find_if(listing.members.begin(), listing.members.end(),
                                [](const BackupMember& m) { return m.path == "sub/b.txt"; });
    ASSERT_NE(b, listing.members.end());
    EXPECT_EQ(std::make_pair(b->size, b->mtime),
              std::make_pair(std::uint64_t{20000}, std::int64_t{kBackupTime}));

    struct Row {
        const char* what;
        std::string from;
        bool overwrite;
        std::vector<std::string> names;
        std::size_t restored, kept;
        int exit;
        const char* aText; // a.txt of the target afterwards
    };
    const Row rows[] = {
        {"archive, newer kept", archive, false, {}, 2, 1, 1, "mine"},
        {"archive, overwrite", archive, true, {}, 3, 0, 0, "alpha"},
        {"archive, a folder", archive, false, {"sub"}, 1, 0, 0, "mine"},
        {"folder, newer kept", folder, false, {}, 2, 1, 1, "mine"},
        {"folder, overwrite", folder, true, {}, 3, 0, 0, "alpha"},
        {"folder, a file", folder, false, {"sub/b.txt"}, 1, 0, 0, "mine"},
    };
    for (const Row& row : rows) {
        const std::string target = dir / row.what;
        std::filesystem::create_directories(target);
        writeFile(target + "/a.txt", "mine"); // written now: newer than the backup
        std::size_t stepsDone = 0, stepsTotal = 0;
        const RestoreResult r = Restorer(archiver, *spawner)
                                    .restore({row.from, target, row.names, row.overwrite},
                                             [&](std::uint64_t done, std::uint64_t total) {
                                                 stepsDone = done;
                                                 stepsTotal = total;
                                             });
        EXPECT_EQ(r.restored, row.restored) << row.what;
        EXPECT_EQ(r.keptNewer, row.kept) << row.what;
        EXPECT_EQ(r.exitCode(), row.exit) << row.what << ": " << r.summary();
        EXPECT_EQ(readFile(target + "/a.txt"), row.aText) << row.what;
        EXPECT_EQ(readFile(target + "/sub/b.txt"), std::string(20000, 'b')) << row.what;
        EXPECT_EQ(timeOf(target + "/sub/b.txt"), kBackupTime) << row.what;
        EXPECT_EQ(stepsDone, stepsTotal) << row.what;
    }
    // Names chosen in the window are members' paths: a.txt at the top is that member, and
    // b.txt at the top is none, not sub/b.txt.
    const std::string top = dir / "top";
    const RestoreResult listed =
        Restorer(archiver, *spawner).restore({archive, top, {"a.txt", "b.txt"}, true, true});
    EXPECT_EQ(readFile(top + "/a.txt"), "alpha") << listed.summary();
    EXPECT_FALSE(std::filesystem::exists(top + "/sub/b.txt")) << listed.summary();
}

TEST(RestoreTest, AHostileArchiveWritesNothingOutsideTheTarget) {
    TempDir dir;
    const std::string target = dir / "a/b/target";
    UnlhaLibrary archiver(UnlhaLibrary::beside(binFolder));
    const auto spawner = ProcessSpawner::createNative(binFolder);
    const RestoreResult r =
        Restorer(archiver, *spawner).restore({UNLHA_TESTDATA "/hostile/dotdot.lzh", target});
    EXPECT_EQ(r.exitCode(), 1);
    EXPECT_FALSE(r.problems.empty());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
        const std::string path = entry.path().string();
        EXPECT_TRUE(target.rfind(path, 0) == 0 || path.rfind(target + "/", 0) == 0) << path;
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
    const auto spawner = ProcessSpawner::createNative(binFolder);
    const std::string archive = dir / "bak.lzh";
    ASSERT_EQ(archiver.callUnlha("u \"" + archive + "\" \"" + dir / "src/\" a.txt b.bin").code, 0);
    std::filesystem::resize_file(archive, std::filesystem::file_size(archive) - 1000);
    const RestoreResult r = Restorer(archiver, *spawner).restore({archive, dir / "t"});
    EXPECT_EQ(readFile(dir / "t/a.txt"), "alpha");
    EXPECT_EQ(std::make_pair(r.restored, r.exitCode()), std::make_pair(std::size_t{1}, 1));
}
