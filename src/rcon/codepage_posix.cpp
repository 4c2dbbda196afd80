#include <errno.h>
#include <iconv.h>

#include "rcon/codepage.h"

namespace rcon {
namespace {

enum class Source { kGbk, kUtf8 };

// Bytes to skip, written as one "?", where the decoder stopped on an unreadable or unmappable sequence.
std::size_t SkipAt(std::string_view in, std::size_t at, Source source) {
  if (source == Source::kGbk) return GbkSequenceAt(in, at);
  bool valid = false;
  return Utf8SequenceAt(in, at, valid);
}

// Without a converter only ASCII can be carried over; every other byte becomes "?".
Text AsciiOnly(std::string_view in) {
  Text out(in);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return out;
}

Text Convert(std::string_view in, const char* to, const char* from, Source source) {
  if (in.empty()) return Text();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(in);
  Text out(in.size() * 2 + 8, '\0');  // grown on demand, so the conversion is always complete
  std::size_t used = 0;
  std::size_t pos = 0;
  while (pos < in.size()) {
    char* src = const_cast<char*>(in.data() + pos);
    std::size_t src_left = in.size() - pos;
    char* dst = out.data() + used;
    std::size_t dst_left = out.size() - used;
    const std::size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    const int err = errno;
    pos = static_cast<std::size_t>(src - in.data());
    used = static_cast<std::size_t>(dst - out.data());
    if (rc != static_cast<std::size_t>(-1)) break;
    if (err == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    if (out.size() - used < 1) out.resize(out.size() * 2);
    out[used++] = '?';
    pos += err == EINVAL ? in.size() - pos : SkipAt(in, pos, source);  // EINVAL: cut short at the end
  }
  iconv_close(cd);
  out.resize(used);
  return out;
}

}  // namespace

Text PlatformGbkToUtf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "CP936", Source::kGbk); }

Text PlatformUtf8ToGbk(std::string_view utf8) { return Convert(utf8, "CP936", "UTF-8", Source::kUtf8); }

}  // namespace rcon
