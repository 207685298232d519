// A FUSE pass-through that makes a local folder behave like a share across a network: every
// operation the kernel sends waits a fixed delay (1 ms unless told) before it is done on the
// folder underneath. Requests are served by several threads, as a network file system keeps
// several requests on the wire.
//
//   latencyfs FOLDER MOUNTPOINT [-o delay_us=N] [FUSE options]
//
// Benchmark bed only: no permission checks beyond the underlying folder's, which it reaches
// through one descriptor with *at() calls.
#define FUSE_USE_VERSION 35
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static int g_base = -1;
static unsigned g_delay_us = 1000;

struct options {
    unsigned delay_us;
};
static const struct fuse_opt kOptions[] = {
    {"delay_us=%u", offsetof(struct options, delay_us), 0},
    FUSE_OPT_END,
};

static void wait_round_trip(void) {
    struct timespec t = {g_delay_us / 1000000, (long)(g_delay_us % 1000000) * 1000};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// "/a/b" below the base folder; "/" is the base itself.
static const char* rel(const char* path) {
    return path[1] == '\0' ? "." : path + 1;
}

#define RESULT(call) ((call) < 0 ? -errno : 0)

static int lfs_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    wait_round_trip();
    if (fi != NULL)
        return RESULT(fstat((int)fi->fh, st));
    return RESULT(fstatat(g_base, rel(path), st, AT_SYMLINK_NOFOLLOW));
}

static int lfs_readlink(const char* path, char* buf, size_t size) {
    wait_round_trip();
    const ssize_t n = readlinkat(g_base, rel(path), buf, size - 1);
    if (n < 0)
        return -errno;
    buf[n] = '\0';
    return 0;
}

static int lfs_mkdir(const char* path, mode_t mode) {
    wait_round_trip();
    return RESULT(mkdirat(g_base, rel(path), mode));
}

static int lfs_unlink(const char* path) {
    wait_round_trip();
    return RESULT(unlinkat(g_base, rel(path), 0));
}

static int lfs_rmdir(const char* path) {
    wait_round_trip();
    return RESULT(unlinkat(g_base, rel(path), AT_REMOVEDIR));
}

static int lfs_symlink(const char* target, const char* path) {
    wait_round_trip();
    return RESULT(symlinkat(target, g_base, rel(path)));
}

static int lfs_rename(const char* from, const char* to, unsigned int flags) {
    wait_round_trip();
    return RESULT(renameat2(g_base, rel(from), g_base, rel(to), flags));
}

static int lfs_link(const char* from, const char* to) {
    wait_round_trip();
    return RESULT(linkat(g_base, rel(from), g_base, rel(to), 0));
}

static int lfs_chmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    wait_round_trip();
    if (fi != NULL)
        return RESULT(fchmod((int)fi->fh, mode));
    return RESULT(fchmodat(g_base, rel(path), mode, 0));
}

static int lfs_chown(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* fi) {
    wait_round_trip();
    if (fi != NULL)
        return RESULT(fchown((int)fi->fh, uid, gid));
    return RESULT(fchownat(g_base, rel(path), uid, gid, AT_SYMLINK_NOFOLLOW));
}

static int lfs_truncate(const char* path, off_t size, struct fuse_file_info* fi) {
    wait_round_trip();
    if (fi != NULL)
        return RESULT(ftruncate((int)fi->fh, size));
    const int fd = openat(g_base, rel(path), O_WRONLY | O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    const int result = RESULT(ftruncate(fd, size));
    close(fd);
    return result;
}

static int lfs_utimens(const char* path, const struct timespec tv[2], struct fuse_file_info* fi) {
    wait_round_trip();
    if (fi != NULL)
        return RESULT(futimens((int)fi->fh, tv));
    return RESULT(utimensat(g_base, rel(path), tv, AT_SYMLINK_NOFOLLOW));
}

static int lfs_open(const char* path, struct fuse_file_info* fi) {
    wait_round_trip();
    const int fd = openat(g_base, rel(path), (fi->flags & ~O_NOFOLLOW) | O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int lfs_create(const char* path, mode_t mode, struct fuse_file_info* fi) {
    wait_round_trip();
    const int fd = openat(g_base, rel(path), fi->flags | O_CREAT | O_NOFOLLOW, mode);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int lfs_read(const char* path, char* buf, size_t size, off_t offset,
                    struct fuse_file_info* fi) {
    (void)path;
    wait_round_trip();
    const ssize_t n = pread((int)fi->fh, buf, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int lfs_write(const char* path, const char* buf, size_t size, off_t offset,
                     struct fuse_file_info* fi) {
    (void)path;
    wait_round_trip();
    const ssize_t n = pwrite((int)fi->fh, buf, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int lfs_statfs(const char* path, struct statvfs* st) {
    (void)path;
    wait_round_trip();
    return RESULT(fstatvfs(g_base, st));
}

static int lfs_flush(const char* path, struct fuse_file_info* fi) {
    (void)path;
    (void)fi;
    wait_round_trip();
    return 0;
}

static int lfs_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int lfs_fsync(const char* path, int datasync, struct fuse_file_info* fi) {
    (void)path;
    wait_round_trip();
    return RESULT(datasync ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
}

static int lfs_opendir(const char* path, struct fuse_file_info* fi) {
    wait_round_trip();
    const int fd = openat(g_base, rel(path), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    DIR* dir = fdopendir(fd);
    if (dir == NULL) {
        const int error = errno;
        close(fd);
        return -error;
    }
    fi->fh = (uint64_t)(uintptr_t)dir;
    return 0;
}

static int lfs_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset,
                       struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)path;
    (void)offset;
    (void)flags;
    wait_round_trip();
    DIR* dir = (DIR*)(uintptr_t)fi->fh;
    rewinddir(dir);
    for (struct dirent* entry; (entry = readdir(dir)) != NULL;) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = entry->d_ino;
        st.st_mode = (mode_t)DTTOIF(entry->d_type);
        if (fill(buf, entry->d_name, &st, 0, 0) != 0)
            break;
    }
    return 0;
}

static int lfs_releasedir(const char* path, struct fuse_file_info* fi) {
    (void)path;
    closedir((DIR*)(uintptr_t)fi->fh);
    return 0;
}

static int lfs_access(const char* path, int mask) {
    wait_round_trip();
    return RESULT(faccessat(g_base, rel(path), mask, AT_SYMLINK_NOFOLLOW));
}

static void* lfs_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->use_ino = 1;
    cfg->nullpath_ok = 1;
    return NULL;
}

static const struct fuse_operations kOperations = {
    .getattr = lfs_getattr,
    .readlink = lfs_readlink,
    .mkdir = lfs_mkdir,
    .unlink = lfs_unlink,
    .rmdir = lfs_rmdir,
    .symlink = lfs_symlink,
    .rename = lfs_rename,
    .link = lfs_link,
    .chmod = lfs_chmod,
    .chown = lfs_chown,
    .truncate = lfs_truncate,
    .open = lfs_open,
    .read = lfs_read,
    .write = lfs_write,
    .statfs = lfs_statfs,
    .flush = lfs_flush,
    .release = lfs_release,
    .fsync = lfs_fsync,
    .opendir = lfs_opendir,
    .readdir = lfs_readdir,
    .releasedir = lfs_releasedir,
    .access = lfs_access,
    .create = lfs_create,
    .utimens = lfs_utimens,
    .init = lfs_init,
};

int main(int argc, char* argv[]) {
    if (argc < 3) {
        fprintf(stderr, "usage: latencyfs FOLDER MOUNTPOINT [-o delay_us=N] [FUSE options]\n");
        return 2;
    }
    g_base = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_base < 0) {
        perror(argv[1]);
        return 2;
    }
    // The folder is ours; FUSE sees the rest of the command line.
    argv[1] = argv[0];
    struct fuse_args args = FUSE_ARGS_INIT(argc - 1, argv + 1);
    struct options options = {1000};
    if (fuse_opt_parse(&args, &options, kOptions, NULL) != 0)
        return 2;
    g_delay_us = options.delay_us;
    umask(0);
    const int code = fuse_main(args.argc, args.argv, &kOperations, NULL);
    fuse_opt_free_args(&args);
    return code;
}
