#include "rcon/codepage.h"

namespace rcon {
namespace {

// ASCII text reads the same in GBK and UTF-8: it needs no converter.
bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

Text GbkToUtf8(std::string_view gbk) {
  gbk = UpToZero(gbk);
  return IsAscii(gbk) ? Text(gbk) : PlatformGbkToUtf8(gbk);
}

Text Utf8ToGbk(std::string_view utf8) {
  utf8 = UpToZero(utf8);
  return IsAscii(utf8) ? Text(utf8) : PlatformUtf8ToGbk(utf8);
}

std::size_t Utf8SequenceAt(std::string_view s, std::size_t i, bool& valid) {
  const std::uint8_t b = ByteAt(s, i);
  valid = false;
  std::size_t need = 0;
  std::uint8_t lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b < 0x80) {
    valid = true;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    return 1;
  }
  std::size_t k = 1;
  for (; k <= need; ++k) {
    if (i + k >= s.size()) return k;
    const std::uint8_t c = ByteAt(s, i + k);
    const std::uint8_t min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
    if (c < min || c > max) return k;
  }
  valid = true;
  return k;
}

std::size_t GbkSequenceAt(std::string_view s, std::size_t i) {
  if (!IsLeadByte(ByteAt(s, i)) || i + 1 >= s.size()) return 1;
  const std::uint8_t trail = ByteAt(s, i + 1);
  return (trail >= 0x40 && trail != 0x7F && trail != 0xFF) ? 2 : 1;
}

}  // namespace rcon
