#include "console/terminal_text.h"

namespace rcon {

std::size_t ConsoleCharLengthAt(std::string_view text, std::size_t i) {
  if (CharLengthAt(text, i) == 1) return 1;
  const auto second = ByteAt(text, i + 1);
  if (second >= 0x30 && second <= 0x39 && i + 3 < text.size()) return 4;
  return 2;
}

Text RemoveFormatCodes(std::string_view reply) {
  Text out;
  out.reserve(reply.size());
  for (std::size_t i = 0; i < reply.size();) {
    const std::size_t n = ConsoleCharLengthAt(reply, i);
    if (n == 2 && FormatCodeAt(reply, i)) {
      i += 3;
      continue;
    }
    out.append(reply.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace rcon
