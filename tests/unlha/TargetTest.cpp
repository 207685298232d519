// Extraction below a target folder that another user may change while it runs: root restoring
// into a user's folder must not be steered by a folder swapped for a link. The swap is made
// from the extractor's test hook, at the moments a restore by path would be fooled.
#include "ArchiveUpdater.h"
#include "BeneathFolder.h"
#include "Extractor.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>

using namespace unlha;
using namespace unlhatest;

namespace {

// Both ways below a folder: the kernel's openat2, and one name at a time.
class BelowTheTarget : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        trevane::BeneathFolder::walkOneNameAtATime(GetParam());
        m_umask = ::umask(0);
    }
    void TearDown() override {
        trevane::BeneathFolder::walkOneNameAtATime(false);
        ::umask(m_umask);
    }
    mode_t m_umask = 0;
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST_P(BelowTheTarget, PathsThatLeaveOrPassALinkAreRefused) {
    TempDir dir;
    writeFile(dir / "t/sub/file", "x");
    ASSERT_EQ(::symlink(dir.path().c_str(), (dir / "t/up").c_str()), 0);
    trevane::BeneathFolder target;
    ASSERT_EQ(target.openTarget(dir / "t"), 0);
    const struct {
        const char* path;
        int error; // 0: opens
    } rows[] = {{"sub/file", 0},          {"./sub//file", 0},         {"up", ELOOP},
                {"up/t/sub/file", ELOOP}, {"sub/../sub/file", EXDEV}, {"/etc/passwd", EXDEV},
                {"sub/file/x", ENOTDIR}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        errno = 0;
        const trevane::UniqueFd fd = target.open(row.path, O_RDONLY);
        EXPECT_EQ(fd ? 0 : errno, row.error);
        const trevane::BeneathFolder::Place place =
            target.place(std::string(row.path) + "/new", true);
        EXPECT_EQ(place.error, row.error == 0 ? ENOTDIR : row.error);
    }
    EXPECT_EQ(run("find '" + dir.path() + "' -name new").output, "");
}

TEST_P(BelowTheTarget, AFolderSwappedForALinkIsNeitherWrittenThroughNorGivenAMode) {
    TempDir dir;
    writeFile(dir / "src/d/a.txt", "a");
    writeFile(dir / "src/d/b.txt", "b");
    ::chmod((dir / "src/d").c_str(), 0777);
    CommandLine command;
    std::string report;
    ASSERT_TRUE(
        CommandLine::parse("a \"" + dir / "x.lzh" + "\" \"" + dir / "src/" + "\" -d1", command)
            .ok());
    ASSERT_TRUE(ArchiveUpdater(command, report, 1).add().ok()) << report;
    // The target belongs to another user, who swaps its folder d for a link to a folder of
    // the user restoring: as the first file of d is written, or before folder modes are set.
    const struct {
        const char* name;
        bool atFirstFile;
    } rows[] = {{"while files are written", true}, {"before folder modes", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir work;
        const std::string target = work / "target", secret = work / "secret";
        ::mkdir(target.c_str(), 0755);
        ::mkdir(secret.c_str(), 0700);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
        }
        bool swapped = false;
        Extractor::Options options{dir / "x.lzh", target, {}, true};
        options.beforeWrite = [&](const std::string& path) {
            if (swapped || (row.atFirstFile ? !path.starts_with("d/") : !path.empty()))
                return;
            swapped = ::rename((target + "/d").c_str(), (target + "/d.old").c_str()) == 0 &&
                      ::symlink(secret.c_str(), (target + "/d").c_str()) == 0;
        };
        report.clear();
        const Status s = Extractor(options, report).extract();
        ASSERT_TRUE(swapped) << report;
        EXPECT_EQ(s.code(), row.atFirstFile ? Code::Unsafe : Code::Ok) << report;
        EXPECT_EQ(run("ls -A '" + secret + "'").output, "") << report;
        EXPECT_EQ(modeOf(secret), 0700u);
    }
}

INSTANTIATE_TEST_SUITE_P(Openat2AndWalk, BelowTheTarget, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "nameByName" : "openat2"; });
