#include <errno.h>
#include <iconv.h>

#include <algorithm>

#include "rcon/codepage_platform.h"

namespace rcon::codepage_platform {
namespace {

// Input bytes handed to iconv at a time: few after an unreadable sequence, twice as many
// after each clean run. After an error glibc's multi-step converters go over the input of the
// whole call again, so bounding the call keeps the time linear in the input.
constexpr std::size_t kFirstChunk = 16;
constexpr std::size_t kLargestChunk = 64 * 1024;

const char* CharsetOf(ConsoleCodePage page) { return page == ConsoleCodePage::kGb18030 ? "GB18030" : "CP936"; }

// Without a converter only ASCII can be carried over; every other byte becomes "?".
Text AsciiOnly(std::string_view in) {
  Text out(in);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return out;
}

iconv_t Open(void*& converter, const char* to, const char* from) {
  if (converter == nullptr) {
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    converter = cd;
  }
  return static_cast<iconv_t>(converter);
}

// Converts `in` chunk by chunk; `skip` gives the bytes to drop, written as one "?", where the
// decoder stopped on an unreadable or unmappable sequence.
template <typename Skip>
Text Convert(iconv_t cd, std::string_view in, std::size_t expected_size, Skip skip) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // no state left over from the last text
  Text out;
  out.reserve(expected_size);
  char block[16 * 1024];
  std::size_t pos = 0;
  std::size_t chunk = kFirstChunk;
  while (pos < in.size()) {
    char* src = const_cast<char*>(in.data() + pos);
    std::size_t src_left = std::min(chunk, in.size() - pos);
    const std::size_t chunk_end = pos + src_left;
    std::size_t rc = 0;
    int err = 0;
    do {
      char* dst = block;
      std::size_t dst_left = sizeof block;
      rc = iconv(cd, &src, &src_left, &dst, &dst_left);
      err = errno;
      out.append(block, static_cast<std::size_t>(dst - block));
    } while (rc == static_cast<std::size_t>(-1) && err == E2BIG);
    pos = static_cast<std::size_t>(src - in.data());
    if (rc != static_cast<std::size_t>(-1)) {
      chunk = std::min(chunk * 2, kLargestChunk);
      continue;
    }
    if (err == EINVAL && chunk_end < in.size()) {
      chunk = std::min(chunk * 2, kLargestChunk);  // a character cut by the chunk's end: the next chunk holds it
      continue;
    }
    out += '?';
    pos += err == EINVAL ? in.size() - pos : skip(in, pos);  // EINVAL here: cut short at the very end
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    chunk = kFirstChunk;
  }
  return out;
}

}  // namespace

Text ToUtf8(ConsoleCodePage page, void*& converter, std::string_view text) {
  const iconv_t cd = Open(converter, "UTF-8", CharsetOf(page));
  if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(text);
  return Convert(cd, text, text.size() + text.size() / 2,
                 [page](std::string_view s, std::size_t i) { return ConsoleSequenceAt(page, s, i); });
}

Text FromUtf8(ConsoleCodePage page, void*& converter, std::string_view utf8) {
  const iconv_t cd = Open(converter, CharsetOf(page), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(utf8);
  return Convert(cd, utf8, utf8.size(), [](std::string_view s, std::size_t i) {
    bool valid = false;
    return Utf8SequenceAt(s, i, valid);
  });
}

void CloseConverter(void* converter) { iconv_close(static_cast<iconv_t>(converter)); }

}  // namespace rcon::codepage_platform
