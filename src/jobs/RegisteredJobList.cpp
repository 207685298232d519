#include "jobs/RegisteredJobList.h"

#include "PathConventions.h"
#include "jobs/CommaText.h"

#include <algorithm>

namespace trevane {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

} // namespace

RegisteredJobList::Loaded RegisteredJobList::read(const std::string& path) {
    ReadResult file = readWholeFile(path, Writers::OwnerOnlyAsRoot);
    Loaded loaded;
    loaded.status = file.status;
    loaded.error = file.error;
    if (file.ok())
        loaded.names = splitLines(withoutByteOrderMark(file.bytes));
    return loaded;
}

WriteResult RegisteredJobList::write(const std::string& path,
                                     const std::vector<std::string>& names) {
    return writeFileAtomically(path, joinLinesCrLf(names));
}

std::string RegisteredJobList::bareName(std::string_view path) {
    return PathConventions::native().fileName(path);
}

bool RegisteredJobList::addUnique(std::vector<std::string>& names, std::string_view name) {
    for (const std::string& present : names)
        if (equalIgnoringCase(present, name))
            return false;
    names.emplace_back(name);
    return true;
}

} // namespace trevane
