#pragma once

#include "engine/VerifyReport.h"

#include <optional>
#include <string>
#include <vector>

namespace trevane {

// Verifies a copy row: every file its xcopy call covers (the source folder's files that the
// files pattern and the switches take: subfolders with /S, dot names with /H, the /EXCLUDE
// lists, a /D date; with /U only files the destination has) is compared byte for byte with its
// copy in the destination, whichever run made that copy. A symbolic link is compared by its
// text. A copy that is missing, of another kind or with other bytes is a difference; a source
// changed later than its copy (in the steps both file systems keep times) is left to the next
// run. Paths in the report are source paths as xcopy prints them.
class CopyVerifier {
public:
    // args: xcopy's arguments as the copy row passes them (without the program name). Nothing
    // when they make no copy at all (xcopy refuses them, and its step has failed already).
    static std::optional<VerifyReport> verify(const std::vector<std::string>& args,
                                              const VerifyStop& stop = {});
};

} // namespace trevane
