#include <windows.h>

#include <cstdlib>

#include "console/console.h"

namespace rcon {

// The process's standard input and output handles, and the input mode to restore.
struct Console::Platform {
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE output = INVALID_HANDLE_VALUE;
  DWORD saved_mode = 0;
  bool saved_valid = false;
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

}  // namespace

// A Windows console shows code page 936 itself: texts pass unchanged.
Console::Console() : Console(stdin, stdout, stderr, false) {}

Console::Console(std::FILE* in, std::FILE* out, std::FILE* err, bool utf8_terminal)
    : in_(in), out_(out), err_(err), utf8_terminal_(utf8_terminal), platform_(std::make_unique<Platform>()) {
  platform_->input = GetStdHandle(STD_INPUT_HANDLE);
  platform_->output = GetStdHandle(STD_OUTPUT_HANDLE);
}

Console::~Console() {
  if (platform_ && platform_->saved_valid) SetInputEcho(true);
  std::fflush(out_);
}

bool Console::InputIsTerminal() const { return in_ == stdin && IsConsoleHandle(platform_->input); }

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
  if (out_ != stdout || !IsConsoleHandle(platform_->output)) return;
  std::fflush(out_);
  std::system("cls");
}

}  // namespace rcon
