#include "SfxWriter.h"

#include "ArchiveReader.h"
#include "ArchiveUpdater.h"
#include "OutputFile.h"
#include "PathRules.h"

#include "FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace unlha {

namespace {

Status appendFile(const std::string& path, OutputFile& out, uint64_t& size) {
    const trevane::OpenedFile file = trevane::openRegularFile(path, O_RDONLY);
    if (!file.ok())
        return Status(file.error == ENOENT ? Code::NotFound : Code::Io,
                      "cannot read " + path + ": " + trevane::fileErrorText(file.error));
    std::vector<uint8_t> buf(1 << 18);
    size = 0;
    for (;;) {
        ssize_t n = ::read(file.fd.get(), buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Status(Code::Io, "cannot read " + path);
        if (n == 0)
            break;
        if (!out.write(buf.data(), static_cast<size_t>(n)))
            return Status(Code::Io, "cannot write " + out.target());
        size += static_cast<uint64_t>(n);
    }
    return {};
}

} // namespace

std::string SfxWriter::outputName(const std::string& archive, const std::string& outputFolder) {
    std::string name = PathRules::baseName(archive);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    std::string folder = outputFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + name + ".run";
}

Status SfxWriter::write(const std::string& given, const std::string& outputFolder,
                        std::string& report) {
    const std::string archive = archiveFileName(given);
    {
        // Only a whole, readable archive is worth wrapping: the extractor looks for it right
        // after itself, where a program or other bytes in front of it would stand.
        ArchiveReader reader;
        Status s = reader.open(archive);
        if (!s.ok())
            return s;
        MemberHeader h;
        for (bool any = false;; any = true) {
            auto r = reader.next(h, s);
            if (r == HeaderReader::Result::End && !reader.heldWhole(any))
                return Status(Code::Damaged, "not an LHA archive from its first byte to its end: " +
                                                 PathRules::printable(archive));
            if (r == HeaderReader::Result::End)
                break;
            if (r == HeaderReader::Result::Error)
                return s;
        }
    }
    const std::string target = outputName(archive, outputFolder);
    OutputFile out;
    Status s = out.create(target, 0777);
    if (!s.ok())
        return s;
    uint64_t stubSize = 0, archiveSize = 0;
    s = appendFile(m_stub, out, stubSize);
    if (!s.ok())
        return Status(s.code(), "self-extractor program missing: " + m_stub);
    s = appendFile(archive, out, archiveSize);
    if (!s.ok())
        return s;
    uint8_t trailer[16];
    std::copy(ArchiveReader::kSfxMagic, ArchiveReader::kSfxMagic + 8, trailer);
    for (int i = 0; i < 8; ++i)
        trailer[8 + i] = static_cast<uint8_t>(stubSize >> (8 * i));
    if (!out.write(trailer, sizeof trailer))
        return Status(Code::Io, "cannot write " + target);
    s = out.commit();
    if (s.ok())
        report += "made " + PathRules::printable(target) + "\n";
    return s;
}

} // namespace unlha
