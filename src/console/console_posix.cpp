#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "console/console.h"

namespace rcon {

struct Console::Platform {
  termios saved{};
  bool saved_valid = false;
};

namespace {

bool LocaleSpeaksUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

}  // namespace

Console::Console() : Console(stdin, stdout, stderr, LocaleSpeaksUtf8()) {}

Console::Console(std::FILE* in, std::FILE* out, std::FILE* err, bool utf8_terminal)
    : in_(in), out_(out), err_(err), utf8_terminal_(utf8_terminal), platform_(std::make_unique<Platform>()) {}

Console::~Console() {
  if (platform_ && platform_->saved_valid) tcsetattr(fileno(in_), TCSANOW, &platform_->saved);
  std::fflush(out_);
}

bool Console::InputIsTerminal() const { return isatty(fileno(in_)) == 1; }

bool Console::SetInputEcho(bool on) {
  const int fd = fileno(in_);
  if (!on) {
    if (tcgetattr(fd, &platform_->saved) != 0) return false;
    platform_->saved_valid = true;
    termios quiet = platform_->saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    return tcsetattr(fd, TCSANOW, &quiet) == 0;
  }
  if (!platform_->saved_valid) return false;
  platform_->saved_valid = false;
  return tcsetattr(fd, TCSANOW, &platform_->saved) == 0;
}

void Console::ClearScreen() {
  if (isatty(fileno(out_)) != 1) return;
  std::fputs("\x1b[H\x1b[2J\x1b[3J", out_);
  std::fflush(out_);
}

}  // namespace rcon
