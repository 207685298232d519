#pragma once

#include "FileSelector.h"
#include "MemberHeader.h"
#include "SpillBuffer.h"
#include "Status.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace unlha {

// One member ready to be written: its header fields and its stored bytes.
struct CompressedMember {
    MemberHeader header;
    std::unique_ptr<SpillBuffer> data;
    // The source file is at fault (it cannot be read, or it is too large): the member is left
    // out rather than the whole archive failing. The status returned with it says why.
    bool leftOut = false;
    bool changed = false; // left out because it was written to while it was read
};

// Compresses source entries on several threads and hands the results to a writer in the
// order of the entries, so the archive's member order does not depend on timing. Workers
// run at most a few members ahead of the writer; what they finish early waits in memory or,
// when large, in unnamed temporary files in tempFolder.
class ParallelCompressor {
public:
    ParallelCompressor(int methodDigit, unsigned threads, std::string tempFolder);

    // Called on the calling thread for entry 0, 1, 2, ... in turn, with the status of its
    // compression (not ok only for a member left out); an error it returns stops the run.
    using Writer =
        std::function<Status(size_t index, CompressedMember& member, const Status& compressed)>;

    // Stops at the first failure (a write error, or a source file's fault that the writer
    // does not pass over) and returns it.
    Status run(const std::vector<SourceEntry>& entries, const Writer& writer);

    // Compresses one entry on the calling thread; the building block of run().
    static Status compressOne(const SourceEntry& entry, int methodDigit, class Encoder& encoder,
                              const std::string& tempFolder, CompressedMember& out);

private:
    int m_method;
    unsigned m_threads;
    std::string m_tempFolder;
};

} // namespace unlha
