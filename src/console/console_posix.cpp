#include <errno.h>
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

// What the handlers below need while echo is off: the terminal, its settings before and its
// settings while hidden. A signal that ends the program must not leave the operator's terminal
// without echo, and one that stops it (Ctrl+Z) must leave it as it was found until it goes on.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
int g_hidden_fd = -1;
termios g_hidden_saved{};
termios g_hidden_quiet{};
struct sigaction g_previous[std::size(kEndingSignals)];
struct sigaction g_previous_stop;
struct sigaction g_stop_handler;

// Puts the terminal back, then lets the signal take the effect it had before (by default it ends
// the program, with the same status as without this handler).
extern "C" void RestoreEchoAndResignal(int signal_number) {
  tcsetattr(g_hidden_fd, TCSANOW, &g_hidden_saved);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    if (kEndingSignals[i] == signal_number) sigaction(signal_number, &g_previous[i], nullptr);
  }
  raise(signal_number);  // delivered once this handler returns
}

// Ctrl+Z at the hidden prompt: the terminal goes back as it was found, the program stops; once
// continued (fg), the input is hidden again before reading goes on.
extern "C" void RestoreEchoAndStop(int) {
  const int saved_errno = errno;
  tcsetattr(g_hidden_fd, TCSANOW, &g_hidden_saved);
  struct sigaction stop {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGTSTP, &stop, nullptr);
  sigset_t only_stop;
  sigemptyset(&only_stop);
  sigaddset(&only_stop, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &only_stop, nullptr);
  raise(SIGTSTP);  // stops here, until SIGCONT
  sigaction(SIGTSTP, &g_stop_handler, nullptr);
  tcsetattr(g_hidden_fd, TCSANOW, &g_hidden_quiet);
  errno = saved_errno;
}

// Installs the handlers for the time echo is off; a signal the process ignores stays ignored.
void CatchEndingSignals(int fd, const termios& saved, const termios& quiet) {
  g_hidden_fd = fd;
  g_hidden_saved = saved;
  g_hidden_quiet = quiet;
  struct sigaction restore {};
  restore.sa_handler = RestoreEchoAndResignal;
  sigemptyset(&restore.sa_mask);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    sigaction(kEndingSignals[i], nullptr, &g_previous[i]);
    if (g_previous[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &restore, nullptr);
  }
  g_stop_handler = {};
  g_stop_handler.sa_handler = RestoreEchoAndStop;
  sigemptyset(&g_stop_handler.sa_mask);
  sigaction(SIGTSTP, nullptr, &g_previous_stop);
  if (g_previous_stop.sa_handler != SIG_IGN) sigaction(SIGTSTP, &g_stop_handler, nullptr);
}

// Gives the signals back their earlier handling.
void ReleaseEndingSignals() {
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &g_previous[i], nullptr);
  sigaction(SIGTSTP, &g_previous_stop, nullptr);
  g_hidden_fd = -1;
}

// The SGR sequence that shows a Minecraft code at a terminal; 0 resets. A colour code also ends
// every format, as it does in the game; obfuscated text (k) has no terminal form.
std::string_view SgrOf(char code) {
  static constexpr std::string_view kColours[16] = {
      "\x1b[0;30m", "\x1b[0;34m", "\x1b[0;32m", "\x1b[0;36m", "\x1b[0;31m", "\x1b[0;35m", "\x1b[0;33m", "\x1b[0;37m",
      "\x1b[0;90m", "\x1b[0;94m", "\x1b[0;92m", "\x1b[0;96m", "\x1b[0;91m", "\x1b[0;95m", "\x1b[0;93m", "\x1b[0;97m"};
  if (code >= '0' && code <= '9') return kColours[code - '0'];
  if (code >= 'a' && code <= 'f') return kColours[code - 'a' + 10];
  switch (code) {
    case 'l': return "\x1b[1m";
    case 'm': return "\x1b[9m";
    case 'n': return "\x1b[4m";
    case 'o': return "\x1b[3m";
    case 'k': return "";
    default: return "\x1b[0m";  // r, and the reset at the end of a reply
  }
}

}  // namespace

Console::Platform* Console::NewPlatform(std::FILE* /*in*/, std::FILE* /*out*/, const ConsoleSettings& /*settings*/) {
  return new Platform;
}

void Console::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

void Console::WriteDescriptor(std::FILE* stream, std::string_view bytes) {
  const int fd = fileno(stream);
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a failed write is not reported
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

bool Console::InputIsTerminal() const { return isatty(fileno(in_)) == 1; }

bool Console::OutputIsTerminal() const { return isatty(fileno(out_)) == 1; }

int Console::ReadInput(char* block, int size) {
  ssize_t n;
  do {
    n = read(fileno(in_), block, static_cast<std::size_t>(size));
  } while (n < 0 && errno == EINTR);
  return n > 0 ? static_cast<int>(n) : 0;
}

void Console::ShowFormat(char code) { pending_ += SgrOf(code); }

bool Console::SetInputEcho(bool on) {
  const int fd = fileno(in_);
  if (!on) {
    if (tcgetattr(fd, &platform_->saved) != 0) return false;
    platform_->saved_valid = true;
    termios quiet = platform_->saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    CatchEndingSignals(fd, platform_->saved, quiet);
    return tcsetattr(fd, TCSANOW, &quiet) == 0;
  }
  if (!platform_->saved_valid) return false;
  platform_->saved_valid = false;
  const bool restored = tcsetattr(fd, TCSANOW, &platform_->saved) == 0;
  ReleaseEndingSignals();
  return restored;
}

void Console::ClearScreen() {
  if (!out_terminal_) return;
  WriteRaw(out_, "\x1b[H\x1b[2J\x1b[3J");
  Flush();
}

}  // namespace rcon
