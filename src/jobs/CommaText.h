#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trevane {

// The comma text of job files: one job row per line, fields joined by commas.
//
// Writing: a field that holds a byte 0x00-0x20 (a control byte or a blank), a double quote or
// a comma is put between double quotes with inner double quotes doubled; any other field,
// the empty one included, is written as it is.
//
// Reading a line:
//  1. bytes 0x00-0x20 at its start are skipped;
//  2. an item starting with a double quote runs to the matching closing quote ("" inside
//     stands for one quote); a quote that is never closed takes the rest of the line;
//  3. any other item runs up to the next comma or byte 0x00-0x20, so a blank ends it too;
//  4. after an item, bytes 0x00-0x20 are skipped; a comma is skipped with the bytes 0x00-0x20
//     after it; an item that starts at a comma is empty; without a comma the next item starts
//     at the next byte ("a b" is two items);
//  5. a comma that ends the line adds no empty item.
// A zero byte counts as one of the blanks (it is written quoted, so it survives a round trip).
//
// Texts are bytes in the locale's code page. In UTF-8 every byte of a multi-byte character is
// 0x80 or above, so no byte of one can be taken for a quote, comma or blank, and the scans need
// no special step over double-byte characters.
std::string joinCommaText(const std::vector<std::string>& fields);
std::vector<std::string> splitCommaText(std::string_view line);

// text without the bytes 0x00-0x20 at its start and end (the job runner trims cells so).
std::string trimBlanks(std::string_view text);

// A text file saved by an editor may begin with the UTF-8 byte order mark, which is no part of
// its first line: text without it.
std::string_view withoutByteOrderMark(std::string_view text);

// Splits text into lines at CR LF, a lone CR and a lone LF. A line break at the very end
// starts no further line; blank lines in between are lines. Empty text has no lines.
std::vector<std::string> splitLines(std::string_view text);
// Every line followed by CR LF; no lines give empty text.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

} // namespace trevane
