#pragma once

#include <cstdint>
#include <string>

namespace unlha {

// Constants of the static-Huffman methods (-lh4- to -lh7-): the same block layout with a
// different window and position-code alphabet.
namespace lha {

constexpr int kMaxMatch = 256;
constexpr int kThreshold = 3;                               // shortest match
constexpr int kNumChars = 256 + kMaxMatch - kThreshold + 1; // literals and lengths: 510
constexpr int kCharBits = 9;
constexpr int kNumTemp = 19; // code-length alphabet for the character tree
constexpr int kTempBits = 5;
constexpr int kMaxCodeLength = 16;

struct MethodInfo {
    int dictionaryBits; // window size as a power of two
    int positionCodes;  // size of the position alphabet
    int positionBits;   // width of its count field
};

// The parameters for "-lh4-" to "-lh7-", or nullptr for any other method.
inline const MethodInfo* methodInfo(const std::string& method) {
    static constexpr MethodInfo lh4{12, 14, 4}, lh5{13, 14, 4}, lh6{15, 16, 5}, lh7{16, 17, 5};
    if (method == "-lh5-")
        return &lh5;
    if (method == "-lh7-")
        return &lh7;
    if (method == "-lh6-")
        return &lh6;
    if (method == "-lh4-")
        return &lh4;
    return nullptr;
}

} // namespace lha
} // namespace unlha
