#include "ParallelCompressor.h"

#include "Crc16.h"
#include "Encoder.h"

#include "FileSystem.h"

#include <cerrno>
#include <condition_variable>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace unlha {

namespace {
constexpr size_t kMemoryPerMember = 1 << 20;
constexpr size_t kAheadPerThread = 8;
constexpr uint64_t kMaxMemberSize = 0xFFFFFFFFull;

long readSome(int fd, uint8_t* data, size_t size) {
    for (;;) {
        ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        return static_cast<long>(n);
    }
}
} // namespace

ParallelCompressor::ParallelCompressor(int methodDigit, unsigned threads, std::string tempFolder)
    : m_method(methodDigit), m_threads(threads ? threads : 1), m_tempFolder(std::move(tempFolder)) {
}

Status ParallelCompressor::compressOne(const SourceEntry& e, int methodDigit, Encoder& encoder,
                                       const std::string& tempFolder, CompressedMember& out) {
    MemberHeader& h = out.header;
    h = MemberHeader{};
    h.path = e.archivePath;
    h.mtime = storableTime(e.info.st_mtime);
    h.unixMode = static_cast<uint16_t>(e.info.st_mode);
    h.uid = static_cast<uint16_t>(e.info.st_uid);
    h.gid = static_cast<uint16_t>(e.info.st_gid);
    out.data = std::make_unique<SpillBuffer>(tempFolder, kMemoryPerMember);
    if (S_ISDIR(e.info.st_mode) || S_ISLNK(e.info.st_mode)) {
        h.method = "-lhd-";
        h.isSymlink = S_ISLNK(e.info.st_mode);
        h.linkTarget = e.linkTarget;
        return {};
    }
    // Failures of the source file itself leave its member out; the others fail the archive.
    const auto leaveOut = [&out](Status s) {
        out.leftOut = true;
        return s;
    };
    // A source swapped for a FIFO or a device since it was listed is refused without waiting.
    const trevane::OpenedFile file = trevane::openRegularFile(e.diskPath, O_RDONLY | O_NOFOLLOW);
    if (!file.ok())
        return leaveOut(Status(Code::Io, file.error == trevane::kNotRegularFile
                                             ? e.diskPath + ": " + trevane::fileErrorText(file.error)
                                             : "cannot read " + e.diskPath + ": " +
                                                   trevane::fileErrorText(file.error)));
    const int fd = file.fd.get();
    const struct stat& st = file.st;
    // Written to while it was read: the member would hold neither the old content nor the new.
    const auto changed = [&] {
        out.changed = true;
        return leaveOut(Status(Code::Io, e.diskPath + ": " + trevane::kChangedWhileReadText));
    };
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size > kMaxMemberSize)
        return leaveOut(Status(Code::TooLarge, "file of 4 GiB or more: " + e.diskPath));
    h.mtime = storableTime(st.st_mtime);

    bool tooLarge = false;
    bool readFailed = false;
    auto input = [&](uint8_t* data, size_t n) -> long {
        long got = readSome(fd, data, n);
        readFailed = readFailed || got < 0;
        return got;
    };
    auto output = [&](const uint8_t* data, size_t n) { return out.data->append(data, n); };
    if (size > 0) {
        Encoder::Result r;
        Status s = encoder.encode(input, output, size - 1, r);
        if (!s.ok()) {
            Status failed(s.code(), s.message() + ": " + e.diskPath);
            return readFailed ? leaveOut(std::move(failed)) : failed;
        }
        if (!r.gaveUp && r.originalSize <= kMaxMemberSize) {
            if (trevane::changedWhileRead(fd, st, r.originalSize))
                return changed();
            h.method = "-lh" + std::to_string(methodDigit) + "-";
            h.originalSize = r.originalSize;
            h.compressedSize = r.compressedSize;
            h.crc = r.crc;
            h.hasCrc = true;
            return {};
        }
        tooLarge = r.originalSize > kMaxMemberSize;
    }
    if (tooLarge)
        return leaveOut(Status(Code::TooLarge, "file of 4 GiB or more: " + e.diskPath));
    // Compression does not pay: store the bytes as they are.
    out.data->clear();
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return leaveOut(Status(Code::Io, "cannot read " + e.diskPath));
    Crc16 crc;
    std::vector<uint8_t> buf(1 << 18);
    uint64_t total = 0;
    for (;;) {
        long n = readSome(fd, buf.data(), buf.size());
        if (n < 0)
            return leaveOut(Status(Code::Io, "cannot read " + e.diskPath));
        if (n == 0)
            break;
        total += static_cast<uint64_t>(n);
        if (total > kMaxMemberSize)
            return leaveOut(Status(Code::TooLarge, "file of 4 GiB or more: " + e.diskPath));
        crc.update(buf.data(), static_cast<size_t>(n));
        if (!out.data->append(buf.data(), static_cast<size_t>(n)))
            return Status(Code::Io, "cannot write a temporary file");
    }
    if (trevane::changedWhileRead(fd, st, total))
        return changed();
    h.method = "-lh0-";
    h.originalSize = h.compressedSize = total;
    h.crc = crc.value();
    h.hasCrc = true;
    return {};
}

Status ParallelCompressor::run(const std::vector<SourceEntry>& entries, const Writer& writer) {
    const size_t n = entries.size();
    std::vector<std::unique_ptr<CompressedMember>> done(n);
    std::vector<Status> results(n);
    std::vector<bool> ready(n, false);
    std::mutex mutex;
    std::condition_variable_any changed;
    size_t nextJob = 0;
    size_t written = 0;
    bool stop = false;
    const size_t ahead = kAheadPerThread * m_threads;

    auto work = [&](std::stop_token stopping) {
        std::unique_ptr<Encoder> encoder;
        try {
            encoder = std::make_unique<Encoder>(m_method);
        } catch (const std::exception&) {
        }
        for (;;) {
            size_t i;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, stopping,
                             [&] { return stop || nextJob >= n || nextJob < written + ahead; });
                if (stop || stopping.stop_requested() || nextJob >= n)
                    return;
                i = nextJob++;
            }
            auto member = std::make_unique<CompressedMember>();
            Status s;
            try {
                if (!encoder)
                    throw std::bad_alloc();
                s = compressOne(entries[i], m_method, *encoder, m_tempFolder, *member);
            } catch (const std::exception& e) {
                // Out of memory on a worker must not end the whole program.
                s = Status(Code::Io,
                           std::string("cannot compress ") + entries[i].diskPath + ": " + e.what());
            }
            {
                std::lock_guard lock(mutex);
                done[i] = std::move(member);
                results[i] = std::move(s);
                ready[i] = true;
            }
            changed.notify_all();
        }
    };

    // Leaving this function on any path, an exception included, asks the workers to stop and
    // joins them: the pool is destroyed before what they use.
    unsigned threads = static_cast<unsigned>(std::min<size_t>(m_threads, n));
    std::vector<std::jthread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work);

    Status status;
    for (size_t i = 0; i < n; ++i) {
        std::unique_ptr<CompressedMember> member;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return ready[i]; });
            member = std::move(done[i]);
            status = results[i];
        }
        if (status.ok() || member->leftOut)
            status = writer(i, *member, status);
        member.reset();
        {
            std::lock_guard lock(mutex);
            written = i + 1;
            if (!status.ok())
                stop = true;
        }
        changed.notify_all();
        if (!status.ok())
            break;
    }
    return status;
}

} // namespace unlha
