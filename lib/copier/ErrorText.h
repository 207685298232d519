#pragma once

#include <string>

namespace trevane {

// The reason behind an errno value, in the words the tools print after a file name.
// The reasons a copy or removal meets are given in Japanese like the rest of the program's
// texts; others fall back to the C library's text.
class ErrorText {
public:
    static std::string of(int errorNumber);
};

} // namespace trevane
