#include "ArchiveReader.h"

#include "Crc16.h"
#include "PathRules.h"

#include "FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace unlha {

namespace {
// How far into a foreign self-extracting program the archive is looked for.
constexpr size_t kScanLimit = 1 << 20;
} // namespace

ArchiveReader::ArchiveReader() = default;
ArchiveReader::~ArchiveReader() = default;

Status ArchiveReader::open(const std::string& path) {
    // A FIFO or a device named like the archive is refused without waiting on it.
    trevane::OpenedFile file = trevane::openRegularFile(path, O_RDONLY);
    if (!file.ok())
        return Status(file.error == ENOENT ? Code::NotFound : Code::Io,
                      file.error == trevane::kNotRegularFile
                          ? path + ": " + trevane::fileErrorText(file.error)
                          : "cannot open " + path + ": " + trevane::fileErrorText(file.error));
    const int fd = file.fd.get();
    m_file = std::make_unique<FileSource>(std::move(file.fd));
    m_fd = fd;
    m_start = 0;
    m_source = m_file.get();
    m_dataPending = false;
    return findStart(fd);
}

void ArchiveReader::openSource(ByteSource& source) {
    m_file.reset();
    m_fd = -1;
    m_start = 0;
    m_source = &source;
    m_dataPending = false;
}

Status ArchiveReader::findStart(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return Status(Code::Io, "cannot read archive");
    uint64_t size = static_cast<uint64_t>(st.st_size);
    std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(size, kScanLimit)));
    if (::pread(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size()))
        return Status(Code::Io, "cannot read archive");
    if (size == 0 || head[0] == 0 || HeaderReader::looksLikeHeader(head.data(), head.size()))
        return {};
    // One of our own self-extracting programs says where its archive starts.
    if (size >= 16) {
        uint8_t tail[16];
        if (::pread(fd, tail, 16, static_cast<off_t>(size - 16)) == 16 &&
            std::memcmp(tail, kSfxMagic, 8) == 0) {
            uint64_t off = 0;
            for (int i = 7; i >= 0; --i)
                off = off << 8 | tail[8 + i];
            if (off < size - 16) {
                m_file->seek(off);
                m_start = off;
                return {};
            }
        }
    }
    // Someone else's: the first place where a whole header parses.
    for (size_t i = 1; i + 22 <= head.size(); ++i) {
        if (!HeaderReader::looksLikeHeader(head.data() + i, head.size() - i))
            continue;
        MemorySource probe(head.data() + i, head.size() - i);
        MemberHeader h;
        Status s;
        if (HeaderReader::read(probe, h, s) == HeaderReader::Result::Member) {
            m_file->seek(i);
            m_start = i;
            return {};
        }
    }
    return Status(Code::Damaged, "not an LHA archive");
}

bool ArchiveReader::heldWhole(bool anyMembers) const {
    if (m_start != 0)
        return false;
    if (m_fd < 0)
        return true;
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return false;
    // From the end mark on: when its zero replaced the first byte of a header, the rest of
    // that header follows it.
    const uint64_t at = m_source->position() - (m_source->position() > 0 ? 1 : 0);
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size <= at)
        return true;
    if (size - at > kScanLimit)
        return false;
    std::vector<uint8_t> tail(static_cast<size_t>(size - at));
    if (::pread(m_fd, tail.data(), tail.size(), static_cast<off_t>(at)) !=
        static_cast<ssize_t>(tail.size()))
        return false;
    if (std::all_of(tail.begin(), tail.end(), [](uint8_t b) { return b == 0; }))
        return true;
    // Some writers leave stray bytes after the end of an archive with members; a header
    // among them is a member that the damaged byte before it cut off.
    if (!anyMembers)
        return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (HeaderReader::looksLikeHeader(tail.data() + i, tail.size() - i))
            return false;
    return true;
}

HeaderReader::Result ArchiveReader::next(MemberHeader& header, Status& status,
                                         std::vector<uint8_t>* raw) {
    if (m_dataPending) {
        m_dataPending = false;
        if (!m_source->skip(m_current.compressedSize)) {
            status = Status(Code::Damaged,
                            "archive ends inside " + PathRules::printable(m_current.path));
            return HeaderReader::Result::Error;
        }
    }
    HeaderReader::Result r = HeaderReader::read(*m_source, header, status, raw);
    if (r == HeaderReader::Result::Member) {
        m_current = header;
        m_dataPending = true;
        m_dataOffset = m_source->position();
    }
    return r;
}

Status ArchiveReader::extract(const Decoder::Sink& sink) {
    if (!m_dataPending)
        return Status(Code::Io, "no member data to read");
    m_dataPending = false;
    const MemberHeader& h = m_current;
    if (h.isDirectory() || h.isSymlink)
        return {};
    Crc16 crc;
    uint64_t produced = 0;
    Status s = m_decoder.decode(h.method, *m_source, h.compressedSize, h.originalSize,
                                [&](const uint8_t* data, size_t size) {
                                    crc.update(data, size);
                                    produced += size;
                                    return sink(data, size);
                                });
    // A member the decoder refused whole (a stored one whose header gives two sizes) or left
    // part-way still has its place in the archive: the next header follows all its bytes.
    const uint64_t end = m_dataOffset + h.compressedSize;
    if (m_source->position() < end && !m_source->skip(end - m_source->position()) && s.ok())
        s = Status(Code::Damaged, "archive ends inside a member");
    if (!s.ok())
        return Status(s.code(), s.message() + ": " + PathRules::printable(h.path));
    if (produced != h.originalSize)
        return Status(Code::Damaged, "wrong size: " + PathRules::printable(h.path));
    if (h.hasCrc && crc.value() != h.crc)
        return Status(Code::Damaged, "CRC error: " + PathRules::printable(h.path));
    return {};
}

Status ArchiveReader::copyRaw(const Decoder::Sink& sink) {
    if (!m_dataPending)
        return Status(Code::Io, "no member data to read");
    m_dataPending = false;
    uint8_t buf[1 << 16];
    uint64_t left = m_current.compressedSize;
    while (left) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof buf, left));
        size_t got = m_source->read(buf, want);
        if (got && !sink(buf, got))
            return Status(Code::Io, "write error");
        if (got < want)
            return Status(Code::Damaged,
                          "archive ends inside " + PathRules::printable(m_current.path));
        left -= got;
    }
    return {};
}

} // namespace unlha
