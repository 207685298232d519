// Archives written by other LHA programs, and hostile ones, read through the entry point.
#include "TestSupport.h"
#include "UnlhaLibrary.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace unlhatest;

namespace {

const std::string kData = UNLHA_TESTDATA;
// 4.5 GB of zeros with 64-bit sizes; lhasa keeps only the low 32 bits of the size, this
// library the whole file. Too big to extract in a unit test; its listing is checked.
const std::string kHuge = "peers/morphos_lha_2717/h2_huge.lzh";

struct Expected {
    std::string kind, size, hashOrTarget;
};

// manifest.tsv: what lhasa extracts from each archive, and for Shift_JIS names, which lhasa
// leaves as stored, their UTF-8 path.
std::map<std::string, std::map<std::string, Expected>> readManifest() {
    std::map<std::string, std::map<std::string, Expected>> m;
    std::istringstream in(readFile(kData + "/manifest.tsv"));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ls(line);
        std::string cell;
        while (std::getline(ls, cell, '\t'))
            f.push_back(cell);
        f.resize(6);
        m[f[0]][f[5].empty() ? f[2] : f[5]] = {f[1], f[3], f[4]};
    }
    return m;
}

std::string sha256(const std::string& path) {
    RunResult r = run("sha256sum '" + path + "'");
    return r.output.substr(0, 64);
}

} // namespace

TEST(Peers, ExtractLikeLhasa) {
    auto manifest = readManifest();
    ASSERT_FALSE(manifest.empty()) << "test data missing: " << kData;
    UnlhaLibrary lib;
    ASSERT_TRUE(lib.loaded());
    for (const auto& [archive, members] : manifest) {
        SCOPED_TRACE(archive);
        if (archive == kHuge)
            continue;
        TempDir out;
        const mode_t umask = ::umask(022);
        auto r = lib.call("x \"" + kData + "/" + archive + "\" \"" + out.path() + "/\"");
        ::umask(umask);
        // Modes come only from Unix headers (the OS-9 ones hold other bits in that word; those
        // of OS/2 and OS-9 get the modes of new files); the owner may always read and write
        // what was restored and enter its folders, and the umask has its say.
        const bool notUnix = archive.find("/lha_os") != std::string::npos;
        for (const auto& e : std::filesystem::recursive_directory_iterator(out.path())) {
            const auto mode = static_cast<unsigned>(e.symlink_status().permissions()) & 0777;
            const unsigned owner = e.is_directory() ? 0700 : 0600;
            if (!e.is_symlink()) {
                EXPECT_EQ(mode & (owner | 022), owner) << e.path();
                EXPECT_TRUE(!notUnix || mode == (owner == 0700 ? 0755u : 0644u)) << e.path();
            }
        }
        bool refusedLink = false;
        for (const auto& [path, e] : members) {
            std::string p = out / path;
            if (e.kind == "file") {
                ASSERT_TRUE(exists(p)) << path << "\n" << r.output;
                EXPECT_EQ(std::to_string(readFile(p).size()), e.size) << path;
                EXPECT_EQ(sha256(p), e.hashOrTarget) << path;
            } else if (e.kind == "link") {
                char target[4096];
                ssize_t n = ::readlink(p.c_str(), target, sizeof target);
                if (n < 0 && e.hashOrTarget[0] == '/') {
                    refusedLink = true; // an absolute target is refused, and said so
                    EXPECT_NE(r.output.find("refused"), std::string::npos);
                    continue;
                }
                ASSERT_GE(n, 0) << path;
                EXPECT_EQ(std::string(target, static_cast<size_t>(n)), e.hashOrTarget);
            }
        }
        EXPECT_EQ(r.code, refusedLink ? 8 : 0) << r.output;
    }
}

TEST(Peers, TestAndListEveryArchive) {
    UnlhaLibrary lib;
    RunResult files = run("cd '" + kData + "' && find peers -type f | sort");
    std::istringstream in(files.output);
    std::string path;
    int count = 0;
    while (std::getline(in, path)) {
        ++count;
        if (path == kHuge) {
            auto l = lib.call("l \"" + kData + "/" + path + "\"");
            EXPECT_NE(l.output.find("4718592000"), std::string::npos) << l.output;
            continue;
        }
        auto t = lib.call("t \"" + kData + "/" + path + "\"");
        EXPECT_EQ(t.code, 0) << path << ": " << t.output;
        EXPECT_EQ(lib.call("l \"" + kData + "/" + path + "\"").code, 0) << path;
    }
    EXPECT_GT(count, 140);
}

TEST(Hostile, NothingLeavesTheTarget) {
    UnlhaLibrary lib;
    struct Row {
        const char* archive;
        const char* patterns;
        bool succeeds;
        std::vector<std::string> present;
        std::vector<std::string> absent; // relative to the target, or absolute
    };
    ::unlink("/tmp/absolute_path.txt");
    const Row rows[] = {
        {"abspath.lzh", "", true, {"tmp/absolute_path.txt"}, {"/tmp/absolute_path.txt"}},
        {"dotdot.lzh", "", false, {}, {"../evil1.txt", "../evil2.txt", "evil1.txt"}},
        {"symlink1.lzh", "", true, {"foo.txt"}, {"bar.txt"}},
        {"symlink2.lzh", "", false, {}, {"../../etc/passwd.new"}},
        {"symlink3.lzh", "", false, {}, {"/tmp/passwd"}},
        {"truncated.lzh", "", false, {}, {"GPL-2"}},
        {"sizes.lzh", "", false, {"a.txt", "c.txt"}, {"b.txt"}},
        {"unixsep.lzh", "", true, {"subdir/subdir2/hello.txt"}, {}},
        {"dir.lzh", "", true, {}, {}},
        {"multiple.lzh",
         "\"file2-*\"",
         true,
         {"file2-1.txt", "file2-2.txt"},
         {"file1.txt", "file3.txt", "file4.txt"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.archive);
        TempDir work;
        std::string target = work / "target";
        bool hadTmpPasswd = exists("/tmp/passwd");
        auto r = lib.call(std::string("x \"") + kData + "/hostile/" + row.archive + "\" \"" +
                          target + "/\" " + row.patterns);
        EXPECT_EQ(r.code == 0, row.succeeds) << r.output;
        for (const std::string& p : row.present)
            EXPECT_TRUE(exists(target + "/" + p)) << p;
        for (const std::string& p : row.absent) {
            if (p == "/tmp/passwd" && hadTmpPasswd)
                continue;
            EXPECT_FALSE(exists(p[0] == '/' ? p : target + "/" + p)) << p;
        }
        // Nothing appears beside the target folder.
        EXPECT_EQ(run("ls -A '" + work.path() + "'").output, "target\n");
        if (std::string(row.archive) == "symlink1.lzh") {
            struct stat st;
            ASSERT_EQ(::lstat((target + "/foo.txt").c_str(), &st), 0);
            EXPECT_TRUE(S_ISREG(st.st_mode));
        }
    }
}

TEST(Hostile, ListingShowsEscapesHarmlessly) {
    UnlhaLibrary lib;
    auto r = lib.call("l \"" + kData + "/hostile/badterm.lzh\"");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.output.find('\x1b'), std::string::npos);
    EXPECT_NE(r.output.find("malicious"), std::string::npos);
}
