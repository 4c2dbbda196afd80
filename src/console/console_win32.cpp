#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "console/console.h"

namespace rcon {

// The handles under the console's input and output streams, the input mode to restore, the
// output's text attributes before any reply coloured them, and the code page of the console's
// texts (what a console window is given, and gives, in UTF-16).
struct Console::Platform {
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE output = INVALID_HANDLE_VALUE;
  DWORD saved_mode = 0;
  bool saved_valid = false;
  WORD attributes = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;
  UINT code_page = 936;
  std::string typed;          // read from a console window, converted, not yet handed out
  wchar_t high_surrogate = 0;  // the first half of a character the last read cut in two
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

// Text in a code page as UTF-16 (the console writes whole characters at a time).
std::wstring ToWide(UINT code_page, std::string_view bytes) {
  const int length = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0) MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), units);
  return wide;
}

// UTF-16 as text in a code page.
std::string FromWide(UINT code_page, std::wstring_view wide) {
  const int units = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(code_page, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) WideCharToMultiByte(code_page, 0, wide.data(), units, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace

Console::Platform* Console::NewPlatform(std::FILE* in, std::FILE* out, const ConsoleSettings& settings) {
  auto* platform = new Platform;
  platform->code_page = settings.gb18030 ? 54936 : 936;
  platform->input = HandleOf(in);
  platform->output = HandleOf(out);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(platform->output, &info) != 0) platform->attributes = info.wAttributes;
  return platform;
}

void Console::PlatformDeleter::operator()(Platform* platform) const { delete platform; }

void Console::WriteDescriptor(std::FILE* stream, std::string_view bytes) {
  const HANDLE handle = HandleOf(stream);
  if (IsConsoleHandle(handle)) {
    // A console window is written in UTF-16: every character shows, whatever its code page.
    const std::wstring wide = ToWide(platform_->code_page, bytes);
    for (std::wstring_view rest = wide; !rest.empty();) {
      DWORD written = 0;
      const DWORD piece = static_cast<DWORD>(rest.size() > 8192 ? 8192 : rest.size());
      if (WriteConsoleW(handle, rest.data(), piece, &written, nullptr) == 0 || written == 0) return;
      rest.remove_prefix(written);
    }
    return;
  }
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
  if (!IsConsoleHandle(platform_->input)) {
    const int n = _read(_fileno(in_), block, static_cast<unsigned>(size));  // text mode: CR LF arrives as LF
    return n > 0 ? n : 0;
  }
  // A console window is read in UTF-16, a line at a time with its own editing and history; the
  // line comes in the console's code page, its CR LF as LF. Ctrl+Z at the start of a line ends
  // the input, as in text mode.
  std::string& typed = platform_->typed;
  while (typed.empty()) {  // a read that held half a character only gives nothing yet
    wchar_t line[1024];
    DWORD units = 0;
    if (platform_->high_surrogate != 0) {
      line[0] = std::exchange(platform_->high_surrogate, wchar_t{0});
      units = 1;
    }
    DWORD read_now = 0;
    if (ReadConsoleW(platform_->input, line + units, 1023, &read_now, nullptr) == 0 || read_now == 0) return 0;
    units += read_now;
    if (line[0] == 0x1A) return 0;
    std::wstring_view read(line, units);
    if (read.back() >= 0xD800 && read.back() <= 0xDBFF) {  // its second half comes with the next read
      platform_->high_surrogate = read.back();
      read.remove_suffix(1);
    }
    const bool line_end = read.size() >= 2 && read.substr(read.size() - 2) == L"\r\n";
    if (line_end) read.remove_suffix(2);
    typed = FromWide(platform_->code_page, read);
    if (line_end) typed += '\n';
  }
  const std::size_t n = typed.size() < static_cast<std::size_t>(size) ? typed.size() : static_cast<std::size_t>(size);
  typed.copy(block, n);
  typed.erase(0, n);
  return static_cast<int>(n);
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
