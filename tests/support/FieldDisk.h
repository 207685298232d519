#pragma once

// A disk of the kinds backups go to, made on an image file and mounted at a folder in a mount
// namespace the test process enters for itself, so nothing stays mounted once it ends: exFAT
// (exfat-fuse, on a loop device), NTFS (ntfs-3g) or tmpfs. Needs root and FUSE; unmount() and
// mount() play unplugging and plugging it in again.

#include <cstdlib>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace trevane::test {

class FieldDisk {
public:
    enum class Kind { Exfat, Ntfs, Tmpfs };

    // Empty when a disk of this kind can be mounted here; else why not, for a skipped test.
    static std::string unavailable(Kind kind) {
        static const bool ownNamespace =
            ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        if (!ownNamespace)
            return "mounting needs root and a mount namespace of the test's own";
        if (kind != Kind::Tmpfs &&
            (!std::filesystem::exists("/dev/fuse") ||
             !run(kind == Kind::Exfat ? "command -v mount.exfat-fuse mkfs.exfat"
                                      : "command -v ntfs-3g mkntfs")))
            return "no FUSE, or exfatprogs, exfat-fuse or ntfs-3g missing (scripts/deps.sh test)";
        return {};
    }

    // Makes the file system on `image` (64 MiB, sparse) and mounts it on `mountPoint`; for a
    // tmpfs, `image` is its size ("4k": one page), or empty.
    FieldDisk(Kind kind, std::string image, std::string mountPoint)
        : m_kind(kind), m_image("'" + image + "'"), m_at("'" + mountPoint + "'") {
        std::filesystem::create_directories(mountPoint);
        const std::string truncate = "truncate -s 64M " + m_image + " && ";
        m_made =
            kind == Kind::Tmpfs ||
            run(truncate + (kind == Kind::Exfat ? "mkfs.exfat " : "mkntfs -F -Q -q ") + m_image);
        mount();
    }
    ~FieldDisk() { unmount(); }

    bool mount() {
        // exfat-fuse wants a block device; detached at once, the loop device goes by itself
        // once the file system lets go of it.
        if (m_made && !m_mounted)
            m_mounted =
                run(m_kind == Kind::Tmpfs
                        ? "mount -t tmpfs " + (m_image == "''" ? "" : "-o size=" + m_image) +
                              " tmpfs " + m_at
                    : m_kind == Kind::Ntfs ? "ntfs-3g -o windows_names " + m_image + " " + m_at
                                           : "dev=$(losetup -f --show " + m_image +
                                                 ") && { mount.exfat-fuse \"$dev\" " + m_at +
                                                 "; rc=$?; losetup -d \"$dev\"; exit $rc; }");
        return m_mounted;
    }
    void unmount() {
        if (m_mounted)
            run("umount " + m_at);
        m_mounted = false;
    }
    bool mounted() const { return m_mounted; }

private:
    static bool run(const std::string& command) {
        return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
    }

    Kind m_kind;
    std::string m_image, m_at; // quoted for the shell
    bool m_made = false, m_mounted = false;
};

} // namespace trevane::test
