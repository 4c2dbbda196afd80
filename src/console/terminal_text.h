// Server text made fit for a terminal. A reply may hold anything: escape sequences that clear
// the screen, retitle the window or write the clipboard, a fake prompt, and Minecraft's colour
// and format codes. At a terminal its control bytes are shown, not obeyed, and its § codes
// become formats. Pure: text in, pieces out, in order.
#pragma once

#include <cstdint>
#include <string_view>

#include "util/text.h"

namespace rcon {

// Length of the character at i in a console text: one byte below 0x80; a lead byte with the
// digit after it and the two bytes after those (GB18030's four-byte form; never GBK); a lead
// byte with the byte after it; a lead byte at the end alone.
std::size_t ConsoleCharLengthAt(std::string_view text, std::size_t i);

// The C1 control (0 to 31 for U+0080 to U+009F) that a four-byte GB18030 character at i holds, or -1.
inline int C1ControlAt(std::string_view text, std::size_t i) {
  if (i + 3 >= text.size() || ByteAt(text, i) != 0x81 || ByteAt(text, i + 1) != 0x30) return -1;
  const int third = ByteAt(text, i + 2) - 0x81, fourth = ByteAt(text, i + 3) - 0x30;
  if (third < 0 || third > 3 || fourth < 0 || fourth > 9) return -1;
  const int index = third * 10 + fourth;
  return index < 0x20 ? index : -1;
}

// Tells whether a byte is a control byte a terminal would obey (all below 0x20 but TAB, LF and
// CR, and DEL).
inline bool IsUnsafeControl(std::uint8_t b) { return (b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F; }

// The caret notation of an unsafe control byte, as cat -v shows it: ESC as ^[, BEL as ^G, DEL as ^?.
inline char CaretOf(std::uint8_t b) { return b == 0x7F ? '?' : static_cast<char>(b + 0x40); }

// Tells whether a character after § makes a Minecraft code: 0-9, a-f, k-o or r, in either case.
inline bool IsFormatCode(char code) {
  if (code >= 'A' && code <= 'Z') code = static_cast<char>(code - 'A' + 'a');
  return (code >= '0' && code <= '9') || (code >= 'a' && code <= 'f') || (code >= 'k' && code <= 'o') || code == 'r';
}

// Tells whether a Minecraft code (§, GBK A1 EC, and its character) starts at i.
inline bool FormatCodeAt(std::string_view text, std::size_t i) {
  return i + 2 < text.size() && ByteAt(text, i) == 0xA1 && ByteAt(text, i + 1) == 0xEC && IsFormatCode(text[i + 2]);
}

// A reply in the console's code page without its Minecraft codes, every other byte as it is.
Text RemoveFormatCodes(std::string_view reply);

// Walks a reply in the console's code page for a terminal. `on_text(view)` gets the runs to show
// as they are and the caret forms ("^[") of unsafe control bytes; C1 controls (U+0080 to U+009F,
// which GB18030 holds as 81 30 81 30 to 81 30 84 31) come as "M-" and a caret form, as cat -v
// shows their bytes. `on_format(code)` gets each Minecraft code: § (GBK A1 EC) followed by one of
// 0-9, a-f, k-o, r in either case, lower-cased. Anything else after § stays text.
template <typename OnText, typename OnFormat>
void ForEachTerminalPiece(std::string_view reply, OnText&& on_text, OnFormat&& on_format) {
  std::size_t run = 0;  // where the current run of plain text began
  auto flush = [&](std::size_t end) {
    if (end > run) on_text(reply.substr(run, end - run));
  };
  for (std::size_t i = 0; i < reply.size();) {
    const auto b = ByteAt(reply, i);
    const std::size_t n = ConsoleCharLengthAt(reply, i);
    if (IsUnsafeControl(b)) {
      flush(i);
      const char caret[2] = {'^', CaretOf(b)};
      on_text(std::string_view(caret, 2));
      run = i + 1;
    } else if (const int c1 = n == 4 ? C1ControlAt(reply, i) : -1; c1 >= 0) {
      flush(i);
      const char shown[4] = {'M', '-', '^', static_cast<char>(c1 + 0x40)};
      on_text(std::string_view(shown, 4));
      run = i + 4;
    } else if (n == 2 && FormatCodeAt(reply, i)) {
      char code = reply[i + 2];
      if (code >= 'A' && code <= 'Z') code = static_cast<char>(code - 'A' + 'a');
      flush(i);
      on_format(code);
      run = i + 3;
      i += 3;
      continue;
    }
    i += n;
  }
  flush(reply.size());
}

}  // namespace rcon
