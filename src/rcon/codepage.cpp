#include "rcon/codepage.h"

#include <utility>

#include "rcon/codepage_platform.h"

namespace rcon {

namespace cp = codepage_platform;

CodePageConverter::~CodePageConverter() { Close(); }

CodePageConverter::CodePageConverter(CodePageConverter&& other) noexcept
    : page_(other.page_), to_utf8_(std::exchange(other.to_utf8_, nullptr)),
      from_utf8_(std::exchange(other.from_utf8_, nullptr)) {}

CodePageConverter& CodePageConverter::operator=(CodePageConverter&& other) noexcept {
  if (this != &other) {
    Close();
    page_ = other.page_;
    to_utf8_ = std::exchange(other.to_utf8_, nullptr);
    from_utf8_ = std::exchange(other.from_utf8_, nullptr);
  }
  return *this;
}

void CodePageConverter::Close() {
  if (to_utf8_ != nullptr) cp::CloseConverter(std::exchange(to_utf8_, nullptr));
  if (from_utf8_ != nullptr) cp::CloseConverter(std::exchange(from_utf8_, nullptr));
}

// ASCII text reads the same in every console code page and in UTF-8: it needs no converter.
Text CodePageConverter::ToUtf8(std::string_view text) {
  text = UpToZero(text);
  return IsAscii(text) ? Text(text) : cp::ToUtf8(page_, to_utf8_, text);
}

Text CodePageConverter::ToUtf8(Text&& text) {
  if (text.find('\0') != Text::npos || !IsAscii(text)) return ToUtf8(std::string_view(text));
  return std::move(text);
}

Text CodePageConverter::FromUtf8(std::string_view utf8) {
  utf8 = UpToZero(utf8);
  return IsAscii(utf8) ? Text(utf8) : cp::FromUtf8(page_, from_utf8_, utf8);
}

Text CodePageConverter::FromUtf8(Bytes&& utf8) {
  if (utf8.find('\0') != Bytes::npos || !IsAscii(utf8)) return FromUtf8(std::string_view(utf8));
  return std::move(utf8);
}

Text GbkToUtf8(std::string_view gbk) { return CodePageConverter().ToUtf8(gbk); }

Text Utf8ToGbk(std::string_view utf8) { return CodePageConverter().FromUtf8(utf8); }

namespace codepage_platform {

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

std::size_t ConsoleSequenceAt(ConsoleCodePage page, std::string_view s, std::size_t i) {
  if (CharLengthAt(s, i) == 1) return 1;
  const std::uint8_t second = ByteAt(s, i + 1);
  if (page == ConsoleCodePage::kGb18030 && second >= 0x30 && second <= 0x39) return i + 3 < s.size() ? 4 : 1;
  return (second >= 0x40 && second != 0x7F && second != 0xFF) ? 2 : 1;
}

}  // namespace codepage_platform
}  // namespace rcon
