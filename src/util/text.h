// Texts, byte buffers and the operations on them that the rest of the program relies on.
//
// A Text is a byte string in GBK (code page 936); it ends at its first zero byte, so any
// byte after one is not part of it. A Bytes buffer is a run of raw bytes that may hold
// zero bytes (packets on the wire, UTF-8 before decoding). Both are std::string so that
// they move without copies; the alias says which rules apply.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rcon {

using Text = std::string;
using Bytes = std::string;
using ByteView = std::string_view;

// One of the program's own texts, written out in both encodings a console may want: GBK, as the
// console's code page holds it, and UTF-8, for a terminal that speaks it. Carrying both, the
// program shows its own words without a converter.
struct OwnText {
  std::string_view gbk;
  std::string_view utf8;
};

// Returns byte i of s as an unsigned value, so that GBK bytes compare above 0x7F.
inline std::uint8_t ByteAt(std::string_view s, std::size_t i) {
  return static_cast<std::uint8_t>(s[i]);
}

// The part of a text before its first zero byte (all of it when there is none).
inline std::string_view UpToZero(std::string_view s) { return s.substr(0, s.find('\0')); }

// Tells whether a byte opens a two-byte GBK character.
inline bool IsLeadByte(std::uint8_t b) { return b >= 0x80; }

// Length of the GBK character at position i: a lead byte takes the byte after it along; a lead
// byte that is the last byte stands alone (1), as does every byte below 0x80.
inline std::size_t CharLengthAt(std::string_view text, std::size_t i) {
  return IsLeadByte(ByteAt(text, i)) && i + 1 < text.size() ? 2 : 1;
}

// Tells whether a text holds only bytes below 0x80, which read the same in GBK and UTF-8.
bool IsAscii(std::string_view text);

// Returns the number of bytes before the first zero byte.
std::int32_t TextLength(std::string_view text);

// Converts a text to an integer: full-width forms normalised, leading white space skipped,
// one sign, decimal digits with 32-bit wrap-around; 0 when there are no digits.
std::int32_t ToInt(std::string_view text);

// Reads a signed 16-bit little-endian integer at a position counted from 1; missing bytes read as zero.
std::int16_t ReadInt16At(ByteView bytes, std::int32_t position);

// Replaces every occurrence of search that starts on a GBK character boundary; a lone
// lead byte at the end of the text is dropped.
Text ReplaceText(std::string_view text, std::string_view search, std::string_view replacement);

// Removes leading and trailing spaces: 0x20 and the full-width space A1 A1.
Text TrimSpaces(std::string_view text);

// Returns a text of n spaces, or the empty text when n is below 1.
Text SpacesText(std::int32_t n);

// Kept and tested with the rest, though the program itself no longer calls them: the
// readers frame packets by their size fields instead of splitting at zero bytes, the packet
// builder writes its integers in place, and the converters size their own buffers.

// Converts a number to an integer by dropping its fraction (truncation toward zero).
std::int32_t ToInt(double number);

// Returns the four little-endian bytes of an integer.
Bytes ToBytes(std::int32_t value);

// Returns the bytes of a text without its terminating zero byte.
Bytes ToBytes(std::string_view text);

// Splits bytes at every zero byte; a trailing zero byte gives no empty final piece.
std::vector<Bytes> SplitAtZero(ByteView bytes);

// Returns the bytes up to, not including, the first zero byte (all of them when there is none).
Text BytesToText(ByteView bytes);

// Returns n zero bytes, or the empty buffer when n is 0 or less.
Bytes ZeroBytes(std::int32_t n);

}  // namespace rcon
