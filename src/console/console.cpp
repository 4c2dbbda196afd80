#include "console/console.h"

#include <cstring>

#include "rcon/codepage.h"

namespace rcon {
namespace {

bool HasNonAscii(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (ByteAt(text, i) >= 0x80) return true;
  }
  return false;
}

}  // namespace

Text TrimLineEnd(std::string_view line) {
  std::size_t length = line.size();
  while (length > 1 && ByteAt(line, length - 1) < 0x20) --length;
  return Text(line.substr(0, length));
}

void Console::WriteOutput(int direction, std::string_view text) {
  std::FILE* stream = direction == 2 ? err_ : out_;
  text = text.substr(0, static_cast<std::size_t>(TextLength(text)));
  if (utf8_terminal_ && HasNonAscii(text)) {
    const Text converted = GbkToUtf8(text);
    std::fwrite(converted.data(), 1, converted.size(), stream);
  } else {
    std::fwrite(text.data(), 1, text.size(), stream);
  }
}

Text Console::ReadLine() {
  // Whatever was written so far (a prompt without a line end) must be seen before we wait.
  std::fflush(out_);
  char buffer[kMaxLineBytes + 1];
  if (std::fgets(buffer, sizeof buffer, in_) == nullptr) {
    end_of_input_ = true;
    return Text();
  }
  end_of_input_ = false;
  return TypedText(TrimLineEnd(std::string_view(buffer, std::strlen(buffer))));
}

Text Console::TypedText(std::string_view bytes) {
  return utf8_terminal_ && HasNonAscii(bytes) ? Utf8ToGbk(bytes) : Text(bytes);
}

Text Console::ReadHiddenLine() {
  if (!InputIsTerminal() || !SetInputEcho(false)) return ReadLine();
  Text line = ReadLine();
  SetInputEcho(true);
  WriteOutput(0, "\r\n");  // the Enter that ended the line was not echoed either
  return line;
}

}  // namespace rcon
