#include <langinfo.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <iterator>

#include "console/console.h"

namespace rcon {

struct Console::Platform {
  termios saved{};
  bool saved_valid = false;
};

namespace {

// What the handlers below need while echo is off: the terminal and its settings before. A
// signal that ends the program must not leave the operator's terminal without echo.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
int g_hidden_fd = -1;
termios g_hidden_saved{};
struct sigaction g_previous[std::size(kEndingSignals)];

// Puts the terminal back, then lets the signal take the effect it had before (by default it ends
// the program, with the same status as without this handler).
extern "C" void RestoreEchoAndResignal(int signal_number) {
  tcsetattr(g_hidden_fd, TCSANOW, &g_hidden_saved);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    if (kEndingSignals[i] == signal_number) sigaction(signal_number, &g_previous[i], nullptr);
  }
  raise(signal_number);  // delivered once this handler returns
}

// Installs the handlers for the time echo is off; a signal the process ignores stays ignored.
void CatchEndingSignals(int fd, const termios& saved) {
  g_hidden_fd = fd;
  g_hidden_saved = saved;
  struct sigaction restore {};
  restore.sa_handler = RestoreEchoAndResignal;
  sigemptyset(&restore.sa_mask);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    sigaction(kEndingSignals[i], nullptr, &g_previous[i]);
    if (g_previous[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &restore, nullptr);
  }
}

// Gives the signals back their earlier handling.
void ReleaseEndingSignals() {
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &g_previous[i], nullptr);
  g_hidden_fd = -1;
}

bool LocaleSpeaksUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

}  // namespace

Console::Console() : Console(stdin, stdout, stderr, LocaleSpeaksUtf8()) {}

Console::Console(std::FILE* in, std::FILE* out, std::FILE* err, bool utf8_terminal)
    : in_(in), out_(out), err_(err), utf8_terminal_(utf8_terminal), platform_(std::make_unique<Platform>()) {}

Console::~Console() {
  if (platform_ && platform_->saved_valid) SetInputEcho(true);
  std::fflush(out_);
}

bool Console::InputIsTerminal() const { return isatty(fileno(in_)) == 1; }

bool Console::SetInputEcho(bool on) {
  const int fd = fileno(in_);
  if (!on) {
    if (tcgetattr(fd, &platform_->saved) != 0) return false;
    platform_->saved_valid = true;
    CatchEndingSignals(fd, platform_->saved);
    termios quiet = platform_->saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    return tcsetattr(fd, TCSANOW, &quiet) == 0;
  }
  if (!platform_->saved_valid) return false;
  platform_->saved_valid = false;
  const bool restored = tcsetattr(fd, TCSANOW, &platform_->saved) == 0;
  ReleaseEndingSignals();
  return restored;
}

void Console::ClearScreen() {
  if (isatty(fileno(out_)) != 1) return;
  std::fputs("\x1b[H\x1b[2J\x1b[3J", out_);
  std::fflush(out_);
}

}  // namespace rcon
