#pragma once

// A disk of the kinds backups really go to: exFAT (exfat-fuse, on a loop device), NTFS
// (ntfs-3g) or tmpfs, made on an image file and mounted at a folder inside the mount namespace
// that the test process enters for itself on first use. Whatever happens to the test, nothing
// stays mounted once the process has ended. Needs root and FUSE: `unavailable` says why a
// test has to skip elsewhere. unmount() and mount() play unplugging and plugging the disk.

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

    // Empty when a disk of this kind can be made and mounted here; else why not.
    static std::string unavailable(Kind kind) {
        if (::geteuid() != 0)
            return "mounting a file system needs root";
        if (const std::string error = ownNamespace(); !error.empty())
            return error;
        if (kind == Kind::Tmpfs)
            return {};
        if (!std::filesystem::exists("/dev/fuse"))
            return "no FUSE device (/dev/fuse)";
        const char* tool = kind == Kind::Exfat ? "/usr/sbin/mount.exfat-fuse" : "/usr/bin/ntfs-3g";
        const char* maker = kind == Kind::Exfat ? "/usr/sbin/mkfs.exfat" : "/usr/sbin/mkntfs";
        if (::access(tool, X_OK) != 0 || ::access(maker, X_OK) != 0)
            return std::string(tool) + " or " + maker +
                   " is missing (scripts/deps.sh test installs them)";
        return {};
    }

    // Makes the file system on `image` (64 MiB, sparse) and mounts it on `mountPoint`, which
    // is created. Check mounted() before use.
    FieldDisk(Kind kind, std::string image, std::string mountPoint)
        : m_kind(kind), m_image(std::move(image)), m_mountPoint(std::move(mountPoint)) {
        std::filesystem::create_directories(m_mountPoint);
        if (kind == Kind::Exfat)
            m_made = run("truncate -s 64M '" + m_image + "' && mkfs.exfat '" + m_image + "'");
        else if (kind == Kind::Ntfs)
            m_made = run("truncate -s 64M '" + m_image + "' && mkntfs -F -Q -q '" + m_image + "'");
        else
            m_made = true;
        mount();
    }
    ~FieldDisk() { unmount(); }
    FieldDisk(const FieldDisk&) = delete;
    FieldDisk& operator=(const FieldDisk&) = delete;

    bool mount() {
        if (!m_made || m_mounted)
            return m_mounted;
        const std::string at = "'" + m_mountPoint + "'";
        if (m_kind == Kind::Exfat)
            // exfat-fuse wants a block device. Detached at once, the loop device goes by itself
            // when the file system lets go of it.
            m_mounted =
                run("dev=$(losetup -f --show '" + m_image + "') && { mount.exfat-fuse \"$dev\" " +
                    at + "; rc=$?; losetup -d \"$dev\"; exit $rc; }");
        else if (m_kind == Kind::Ntfs)
            m_mounted = run("ntfs-3g -o windows_names '" + m_image + "' " + at);
        else
            m_mounted = run("mount -t tmpfs tmpfs " + at);
        return m_mounted;
    }
    void unmount() {
        if (m_mounted)
            run("umount '" + m_mountPoint + "'");
        m_mounted = false;
    }
    bool mounted() const { return m_mounted; }
    const std::string& path() const { return m_mountPoint; }

private:
    static bool run(const std::string& command) {
        return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
    }
    // Enters a mount namespace of the process's own, whose mounts reach nobody else.
    static std::string ownNamespace() {
        static const std::string error = [] {
            if (::unshare(CLONE_NEWNS) != 0)
                return std::string("cannot make a mount namespace (unshare)");
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return std::string("cannot make the mounts private");
            return std::string();
        }();
        return error;
    }

    Kind m_kind;
    std::string m_image;
    std::string m_mountPoint;
    bool m_made = false;
    bool m_mounted = false;
};

} // namespace trevane::test
