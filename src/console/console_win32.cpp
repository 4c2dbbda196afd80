#include <io.h>
#include <windows.h>

#include <cstdlib>

#include "console/console.h"

namespace rcon {

// The handles under the console's input and output streams, the input mode to restore, and the
// output's text attributes before any reply coloured them.
struct Console::Platform {
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE output = INVALID_HANDLE_VALUE;
  DWORD saved_mode = 0;
  bool saved_valid = false;
  WORD attributes = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;
};

namespace {

// What the control handler below needs while echo is off: the console input and its mode before.
HANDLE g_hidden_input = INVALID_HANDLE_VALUE;
DWORD g_hidden_mode = 0;

// Ctrl+C, Ctrl+Break or closing the window while echo is off: the mode is put back, then the
// event takes its usual course (the next handler, in the end the one that ends the process).
BOOL WINAPI RestoreEchoOnControl(DWORD /*event*/) {
  SetConsoleMode(g_hidden_input, g_hidden_mode);
  return FALSE;
}

bool IsConsoleHandle(HANDLE h) {
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) != 0;
}

HANDLE HandleOf(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

}  // namespace

Console::Platform* Console::NewPlatform(std::FILE* in, std::FILE* out) {
  auto* platform = new Platform;
  platform->input = HandleOf(in);
  platform->output = HandleOf(out);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(platform->output, &info) != 0) platform->attributes = info.wAttributes;
  return platform;
}

void Console::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

void Console::WriteDescriptor(std::FILE* stream, std::string_view bytes) {
  const int fd = _fileno(stream);
  while (!bytes.empty()) {
    const unsigned piece = static_cast<unsigned>(bytes.size() > (1u << 30) ? (1u << 30) : bytes.size());
    const int n = _write(fd, bytes.data(), piece);  // text mode: every LF goes out as CR LF
    if (n <= 0) return;  // a failed write is not reported
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

bool Console::InputIsTerminal() const { return IsConsoleHandle(platform_->input); }

bool Console::OutputIsTerminal() const { return IsConsoleHandle(platform_->output); }

int Console::ReadInput(char* block, int size) {
  const int n = _read(_fileno(in_), block, static_cast<unsigned>(size));  // text mode: CR LF arrives as LF
  return n > 0 ? n : 0;
}

void Console::ShowFormat(char code) {
  // The sixteen colour codes are the console's sixteen colours, in the same order; the format
  // codes have no console form, and r (or 0: the end of a reply) puts the colours back.
  FlushPending();
  Flush();
  const WORD saved = platform_->attributes;
  WORD attributes = saved;
  if (code >= '0' && code <= '9') attributes = static_cast<WORD>((saved & ~0x0F) | (code - '0'));
  if (code >= 'a' && code <= 'f') attributes = static_cast<WORD>((saved & ~0x0F) | (code - 'a' + 10));
  if (code == 'k' || code == 'l' || code == 'm' || code == 'n' || code == 'o') return;
  SetConsoleTextAttribute(platform_->output, attributes);
}

bool Console::SetInputEcho(bool on) {
  if (!on) {
    if (GetConsoleMode(platform_->input, &platform_->saved_mode) == 0) return false;
    platform_->saved_valid = true;
    g_hidden_input = platform_->input;
    g_hidden_mode = platform_->saved_mode;
    SetConsoleCtrlHandler(RestoreEchoOnControl, TRUE);
    return SetConsoleMode(platform_->input, platform_->saved_mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
  }
  if (!platform_->saved_valid) return false;
  platform_->saved_valid = false;
  const bool restored = SetConsoleMode(platform_->input, platform_->saved_mode) != 0;
  SetConsoleCtrlHandler(RestoreEchoOnControl, FALSE);
  return restored;
}

void Console::ClearScreen() {
  // Only a console window is cleared: redirected, "cls" would put a form feed into the output.
  if (!out_terminal_) return;
  Flush();
  std::system("cls");
}

}  // namespace rcon
