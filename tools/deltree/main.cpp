#include "RemovalGuard.h"
#include "TreeRemover.h"

#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

// deltree /Y FOLDER...
//
// Exit codes: 0 every folder is gone, 1 a folder was refused or could not be removed entirely,
// 4 no folder was named. Without /Y deltree would ask for each folder; standard input is not a
// terminal, so nobody could answer, and nothing is removed.
int main(int argc, char* argv[]) {
    bool confirmed = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // POSIX paths start with "/" too: only the exact switch is a switch.
        if (arg == "/Y" || arg == "/y")
            confirmed = true;
        else
            paths.push_back(arg);
    }
    if (paths.empty()) {
        std::fprintf(stderr, "パラメーターの数が違います\n");
        return 4;
    }
    if (!confirmed) {
        std::fprintf(stderr, "確認できないので削除しません (/Y を指定してください)\n");
        return 1;
    }
    // Every folder level of the removal holds one descriptor open; allow deep trees.
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    const trevane::RemovalGuard guard = trevane::RemovalGuard::forCurrentUser();
    trevane::TreeRemover remover(guard, stderr);
    bool ok = true;
    for (const auto& path : paths)
        ok = remover.remove(path) && ok;
    return ok ? 0 : 1;
}
