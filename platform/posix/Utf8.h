// UTF-8, the 8-bit code page of the platform on Linux: stepping over characters,
// counting them and checking sequences. A byte that starts no valid sequence counts
// as one character of its own, so nothing is skipped or read past the end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace posix {

// The length of the valid sequence starting at s[i], or 0 if none starts there.
size_t utf8SequenceAt(std::string_view s, size_t i);
// Decodes the character at s[i] and steps past it; false (and one byte) if invalid.
bool utf8Decode(std::string_view s, size_t& i, char32_t& cp);
size_t utf8Next(std::string_view s, size_t i);  // the offset after the character at i
size_t utf8Prev(std::string_view s, size_t i);  // the offset of the character before i
size_t utf8Length(std::string_view s);          // characters
std::string utf8Encode(char32_t cp);
// The number of bytes a sequence starting with this lead byte has; 0 for a byte
// that cannot start one.
size_t utf8LeadLength(unsigned char lead);

// The cells a character takes on a terminal: 0 for a combining mark (it goes on the
// cell before), 2 for a wide East Asian character or emoji, else 1.
int cellWidth(char32_t cp);
size_t utf8Cells(std::string_view s);  // cells of a text (a byte that is no UTF-8: 1)

}  // namespace posix
