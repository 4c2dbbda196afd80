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
  if (platform_ && platform_->saved_valid) SetConsoleMode(platform_->input, platform_->saved_mode);
  std::fflush(out_);
}

bool Console::InputIsTerminal() const { return in_ == stdin && IsConsoleHandle(platform_->input); }

bool Console::SetInputEcho(bool on) {
  if (!on) {
    if (GetConsoleMode(platform_->input, &platform_->saved_mode) == 0) return false;
    platform_->saved_valid = true;
    return SetConsoleMode(platform_->input, platform_->saved_mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
  }
  if (!platform_->saved_valid) return false;
  platform_->saved_valid = false;
  return SetConsoleMode(platform_->input, platform_->saved_mode) != 0;
}

void Console::ClearScreen() {
  // Only a console window is cleared: redirected, "cls" would put a form feed into the output.
  if (out_ != stdout || !IsConsoleHandle(platform_->output)) return;
  std::fflush(out_);
  std::system("cls");
}

}  // namespace rcon
