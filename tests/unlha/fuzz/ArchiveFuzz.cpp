// libFuzzer target: the archive reader and decoder on arbitrary bytes. Seeds: the archives
// under tests/unlha/data. Every input must end in a member, the end, or an error value.
#include "ArchiveReader.h"
#include "CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    unlha::MemorySource source(data, size);
    unlha::ArchiveReader reader;
    reader.openSource(source);
    unlha::MemberHeader header;
    unlha::Status status;
    for (int members = 0; members < 64; ++members) {
        auto r = reader.next(header, status);
        if (r != unlha::HeaderReader::Result::Member)
            break;
        // A header may claim gigabytes; stop each member after a few megabytes.
        uint64_t produced = 0;
        reader.extract([&](const uint8_t*, size_t n) {
            produced += n;
            return produced < (8u << 20);
        });
    }
    // What an update asks of the bytes after an archive's end mark.
    (void)unlha::HeaderReader::looksLikeHeader(data, size);
    unlha::CommandLine command;
    unlha::CommandLine::parse(std::string(reinterpret_cast<const char*>(data), size), command);
    return 0;
}
