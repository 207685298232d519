#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trevane {

// The rules of the options dialog's field for the most lines the log keeps.
struct MaxLogLines {
    static constexpr int Least = 100;    // the least value that survives leaving the field
    static constexpr int Fallback = 500; // stored when the text is not a number

    // What the field shows after it loses the focus: "100" for a number below 100, nothing
    // (leave the text as typed) for a larger number or a text that is not a number.
    static std::optional<std::string> textOnExit(std::string_view text);
    // The value OK stores for the field's text.
    static int valueToStore(std::string_view text);
};

} // namespace trevane
