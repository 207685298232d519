// A child program for the process runner's tests: writes exactly what a test asks for.
//   out N            N bytes of the pattern 'A' + i % 26 on standard output
//   zero             "abc", a zero byte, "def"
//   mixed            "out1\n" on stdout, "err1\n" on stderr, "out2\n" on stdout, in this order
//   exit K           ends with exit code K
//   stdin            prints how many bytes standard input delivered
//   session          prints "leader" when the child leads a session of its own
//   wait FIFO        reads FIFO until its writer closes it, then prints "done"
//   grandchild FIFO  prints "parent", leaves a child behind that holds the output open until
//                    FIFO is opened for writing and closed, then ends at once
//   tell FIFO TEXT   writes TEXT into FIFO
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

void writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0)
            std::exit(9);
        data += n;
        size -= static_cast<size_t>(n);
    }
}

void writeText(int fd, const std::string& text) {
    writeAll(fd, text.data(), text.size());
}

void drainFifo(const char* path) {
    const int fd = ::open(path, O_RDONLY);
    char buffer[64];
    while (fd >= 0 && ::read(fd, buffer, sizeof buffer) > 0) {
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode == "out" && argc > 2) {
        const long long total = std::atoll(argv[2]);
        char buffer[65536];
        long long written = 0;
        while (written < total) {
            const long long n = std::min<long long>(sizeof buffer, total - written);
            for (long long i = 0; i < n; ++i)
                buffer[i] = static_cast<char>('A' + (written + i) % 26);
            writeAll(1, buffer, static_cast<size_t>(n));
            written += n;
        }
        return 0;
    }
    if (mode == "zero") {
        writeAll(1, "abc\0def", 7);
        return 0;
    }
    if (mode == "mixed") {
        writeText(1, "out1\n");
        writeText(2, "err1\n");
        writeText(1, "out2\n");
        return 0;
    }
    if (mode == "exit" && argc > 2)
        return std::atoi(argv[2]);
    if (mode == "stdin") {
        char buffer[256];
        long total = 0;
        ssize_t n;
        while ((n = ::read(0, buffer, sizeof buffer)) > 0)
            total += n;
        writeText(1, std::to_string(total) + (n < 0 ? " error" : ""));
        return 0;
    }
    if (mode == "session") {
        writeText(1, ::getsid(0) == ::getpid() ? "leader" : "member");
        return 0;
    }
    if (mode == "wait" && argc > 2) {
        drainFifo(argv[2]);
        writeText(1, "done");
        return 0;
    }
    if (mode == "grandchild" && argc > 2) {
        writeText(1, "parent");
        if (::fork() == 0) {
            drainFifo(argv[2]);
            std::_Exit(0);
        }
        return 0;
    }
    if (mode == "tell" && argc > 3) {
        const int fd = ::open(argv[2], O_WRONLY);
        if (fd < 0)
            return 3;
        writeText(fd, argv[3]);
        ::close(fd);
        return 0;
    }
    return 2;
}
