// The platform's converters under CodePageConverter: one file per platform implements them.
#pragma once

#include <cstddef>

#include "rcon/codepage.h"

namespace rcon::codepage_platform {

// Converts a console text that is neither empty nor plain ASCII, and holds no zero byte, to
// UTF-8; `converter` is the platform's open converter for it, opened here on first use.
Text ToUtf8(ConsoleCodePage page, void*& converter, std::string_view text);

// Converts UTF-8 that is neither empty nor plain ASCII, and holds no zero byte, to a console text.
Text FromUtf8(ConsoleCodePage page, void*& converter, std::string_view utf8);

// Closes a converter that ToUtf8 or FromUtf8 opened.
void CloseConverter(void* converter);

// Length of the UTF-8 sequence at position i: the whole character when it is well formed
// (valid = true), else the maximal invalid part, at least one byte (valid = false).
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i, bool& valid);

// Length of the console-text sequence at position i that a decoder skips when it cannot read
// it: a lead byte takes along a byte that may follow it (GB18030: a four-byte sequence whole),
// anything else stands alone.
std::size_t ConsoleSequenceAt(ConsoleCodePage page, std::string_view s, std::size_t i);

}  // namespace rcon::codepage_platform
