#include "util/text.h"

namespace rcon {
namespace {

// Maps one full-width GBK character to its half-width form, or returns it unchanged.
void AppendNormalised(Text& out, std::uint8_t lead, std::uint8_t trail) {
  if (lead == 0xA1 && trail == 0xA1) {
    out += ' ';
  } else if (lead == 0xA1 && trail == 0xAB) {
    out += '~';
  } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
    out += '*';
  } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
    out += static_cast<char>(trail - 0x80);
  } else {
    out += static_cast<char>(lead);
    out += static_cast<char>(trail);
  }
}

Text NormaliseFullWidth(std::string_view text) {
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
    const std::uint8_t b = ByteAt(text, i);
    if (CharLengthAt(text, i) == 2) {
      AppendNormalised(out, b, ByteAt(text, i + 1));
    } else if (!IsLeadByte(b)) {
      out += static_cast<char>(b);
    }  // a lone lead byte at the end is dropped
  }
  return out;
}

bool IsBlank(std::uint8_t b) { return (b >= 0x09 && b <= 0x0D) || b == 0x20; }

// Length in bytes of the space at position i (1 or 2), or 0 when none starts there.
std::size_t SpaceAt(std::string_view t, std::size_t i) {
  if (ByteAt(t, i) == 0x20) return 1;
  if (ByteAt(t, i) == 0xA1 && i + 1 < t.size() && ByteAt(t, i + 1) == 0xA1) return 2;
  return 0;
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (IsLeadByte(static_cast<std::uint8_t>(c))) return false;
  }
  return true;
}

std::int32_t TextLength(std::string_view text) {
  return static_cast<std::int32_t>(UpToZero(text).size());
}

std::int32_t ToInt(std::string_view text) {
  const Text s = NormaliseFullWidth(UpToZero(text));
  std::size_t i = 0;
  while (i < s.size() && IsBlank(ByteAt(s, i))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::uint32_t value = 0;  // unsigned arithmetic wraps the way the 32-bit result must
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::int32_t ToInt(double number) {
  // Casting out of range is undefined, so wrap through 64 bits the way digits would.
  if (!(number > -9.2e18 && number < 9.2e18)) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(number)));
}

Bytes ToBytes(std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  Bytes out(4, '\0');
  for (int k = 0; k < 4; ++k) out[k] = static_cast<char>((u >> (8 * k)) & 0xFFu);
  return out;
}

Bytes ToBytes(std::string_view text) { return Bytes(UpToZero(text)); }

std::vector<Bytes> SplitAtZero(ByteView bytes) {
  std::vector<Bytes> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\0') {
      pieces.emplace_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  }
  if (start < bytes.size()) pieces.emplace_back(bytes.substr(start));
  return pieces;
}

Text BytesToText(ByteView bytes) { return Text(UpToZero(bytes)); }

std::int16_t ReadInt16At(ByteView bytes, std::int32_t position) {
  auto byte = [&](std::int64_t index) -> std::uint16_t {
    return index >= 0 && index < static_cast<std::int64_t>(bytes.size()) ? ByteAt(bytes, static_cast<std::size_t>(index)) : 0;
  };
  const std::int64_t at = static_cast<std::int64_t>(position) - 1;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(byte(at) | (byte(at + 1) << 8)));
}

Text ReplaceText(std::string_view text, std::string_view search, std::string_view replacement) {
  text = UpToZero(text);
  search = UpToZero(search);
  replacement = UpToZero(replacement);
  if (text.empty() || search.empty()) return Text(text);
  Text out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (text.size() - i >= search.size()) {
    if (text.compare(i, search.size(), search) == 0) {
      out += replacement;
      i += search.size();
      continue;
    }
    const std::size_t n = CharLengthAt(text, i);
    if (n == 1 && IsLeadByte(ByteAt(text, i))) return out;  // a lone lead byte at the end is dropped
    out += text.substr(i, n);
    i += n;
  }
  out += text.substr(i);
  return out;
}

Text TrimSpaces(std::string_view text) {
  text = UpToZero(text);
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t n = SpaceAt(text, begin);
    if (n == 0) break;
    begin += n;
  }
  // Walk forward by character so that a trail byte is never taken for a space; remember
  // where the last non-space character ended.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    const std::size_t n = SpaceAt(text, i);
    if (n > 0) {
      i += n;
      continue;
    }
    i += CharLengthAt(text, i);
    end = i;
  }
  return Text(text.substr(begin, end - begin));
}

Text SpacesText(std::int32_t n) { return n < 1 ? Text() : Text(static_cast<std::size_t>(n), ' '); }

Bytes ZeroBytes(std::int32_t n) { return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n), '\0'); }

}  // namespace rcon
