// Conversion between the console's code page (GBK, code page 936) and UTF-8, the server's.
// Characters the target lacks and invalid input sequences become "?"; a conversion never
// fails and never cuts its result short. Input texts end at their first zero byte.
#pragma once

#include <cstddef>
#include <string_view>

#include "util/text.h"

namespace rcon {

// Converts GBK text to UTF-8.
Text GbkToUtf8(std::string_view gbk);

// Converts UTF-8 text to GBK.
Text Utf8ToGbk(std::string_view utf8);

// The platform's converters behind GbkToUtf8 and Utf8ToGbk, for text that is not plain ASCII
// and holds no zero byte.
Text PlatformGbkToUtf8(std::string_view gbk);
Text PlatformUtf8ToGbk(std::string_view utf8);

// Length of the UTF-8 sequence at position i: the whole character when it is well formed
// (valid = true), else the maximal invalid part, at least one byte (valid = false).
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i, bool& valid);

// Length of the GBK sequence at position i that a decoder skips when it cannot read it:
// a lead byte with a byte that may follow it takes that byte along, anything else stands alone.
std::size_t GbkSequenceAt(std::string_view s, std::size_t i);

}  // namespace rcon
