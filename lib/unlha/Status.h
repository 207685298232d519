#pragma once

#include <string>
#include <utility>

namespace unlha {

// Outcome of an archive operation. The code doubles as the entry point's return value, so
// the numbers are part of the library's interface and must not be renumbered.
enum class Code : int {
    Ok = 0,
    BadCommand = 2,  // the command line cannot be parsed, or an unknown switch
    NotFound = 3,    // the archive, the base folder or a named file does not exist
    NothingToDo = 4, // no file or member matched
    Io = 5,          // reading or writing a file failed
    Damaged = 6,     // a header or the data does not pass its checks
    Unsupported = 7, // a compression method this library does not know
    Unsafe = 8,      // a member name that would leave the target folder, refused
    TooLarge = 9,    // a file of 4 GiB or more
    Kept = 10,       // extraction kept a file in the target: newer than the member, or read-only
    LeftOut = 11,    // u and a: files that cannot be read or are too large were left out (named
                     // in the output); everything else was archived
};

class Status {
public:
    Status() = default;
    Status(Code code, std::string message) : m_code(code), m_message(std::move(message)) {}

    bool ok() const { return m_code == Code::Ok; }
    Code code() const { return m_code; }
    const std::string& message() const { return m_message; }

private:
    Code m_code = Code::Ok;
    std::string m_message;
};

} // namespace unlha
