#include "engine/UnlhaLibrary.h"
#include "PathConventions.h"

#include "platform/DynamicLibrary.h"

#include <algorithm>
#include <cstdint>

namespace trevane {

namespace {
// The entry point's signature, as lib/unlha/Unlha.h declares it (the output size is 32 bits
// wide).
using UnlhaEntry = int (*)(void* window, const char* commandLine, char* output, std::uint32_t size);
} // namespace

UnlhaLibrary::UnlhaLibrary(std::vector<std::string> candidates)
    : m_candidates(std::move(candidates)) {}

std::vector<std::string> UnlhaLibrary::beside(const std::string& executableFolder) {
    std::vector<std::string> files;
    if (!executableFolder.empty())
        files.push_back(PathConventions::native().join(executableFolder, FileName));
    files.emplace_back(FileName);
    return files;
}

ArchiverLibrary::Result UnlhaLibrary::callUnlha(const std::string& commandLine) {
    return callUnlhaWithRoom(commandLine, OutputBufferSize);
}

ArchiverLibrary::Result UnlhaLibrary::callUnlhaWithRoom(const std::string& commandLine,
                                                        std::size_t outputSize) {
    std::unique_ptr<DynamicLibrary> library;
    for (const std::string& file : m_candidates) {
        library = DynamicLibrary::open(file, nullptr);
        if (library)
            break;
    }
    if (!library)
        return {Status::NotLoaded, -1};
    auto entry = reinterpret_cast<UnlhaEntry>(library->symbol("Unlha"));
    if (!entry)
        return {Status::NoEntryPoint, -1};
    outputSize = std::clamp<std::size_t>(outputSize, 2, UINT32_MAX);
    std::vector<char> output(outputSize, '\0');
    const int code = entry(nullptr, commandLine.c_str(), output.data(),
                           static_cast<std::uint32_t>(output.size()));
    output.back() = '\0';
    return {Status::Called, code, output.data()};
}

} // namespace trevane
