// Entry point on Windows: the arguments are split from the raw command line. A console window
// is written and read in UTF-16, so every character shows whatever its code page (936, 65001 or
// another); its own line editing and history serve the reads. Pipes and files carry GBK.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"

namespace {

// Tells whether a standard handle is a console window.
bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// UTF-16 from the system as text in the console's code page.
std::string InCodePage(const wchar_t* wide, UINT code_page) {
  const int length = WideCharToMultiByte(code_page, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::string();
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(code_page, 0, wide, -1, text.data(), length, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

}  // namespace

int main() {
  // Where a person types and reads in a console window, every character can be shown: the
  // console's texts are GB18030 there (GBK's superset), where the system has that code page.
  const bool gb18030 = IsConsole(STD_INPUT_HANDLE) && IsConsole(STD_OUTPUT_HANDLE) && IsValidCodePage(54936) != 0;
  const UINT code_page = gb18030 ? 54936 : 936;
  rcon::ConsoleSettings settings;
  const char* no_colour = std::getenv("NO_COLOR");  // no-color.org: set and not empty
  settings.colour = no_colour == nullptr || no_colour[0] == '\0';
  settings.gb18030 = gb18030;
  rcon::Console console(stdin, stdout, stderr, std::move(settings));
  rcon::Surroundings surroundings;
  surroundings.page = gb18030 ? rcon::ConsoleCodePage::kGb18030 : rcon::ConsoleCodePage::kGbk;
  if (const char* trace = std::getenv("RCON_CONSOLE_TRACE"); trace != nullptr && trace[0] != '\0') {
    surroundings.trace = std::fopen(trace, "ab");  // every packet, appended to this file
  }
  if (const wchar_t* password = _wgetenv(L"RCON_PASSWORD")) surroundings.password = InCodePage(password, code_page);
  // The saved servers: %RCON_CONSOLE_SERVERS%, else %APPDATA%\rcon-console\servers.toml.
  if (const char* chosen = std::getenv("RCON_CONSOLE_SERVERS"); chosen != nullptr && chosen[0] != '\0') {
    surroundings.servers_file = chosen;
  } else if (const char* appdata = std::getenv("APPDATA"); appdata != nullptr && appdata[0] != '\0') {
    surroundings.servers_file = std::string(appdata) + "\\rcon-console\\servers.toml";
  }
  // The command line as the system holds it, in UTF-16, taken into the console's code page.
  return rcon::Main(console, rcon::SplitCommandLine(InCodePage(GetCommandLineW(), code_page)), surroundings);
}
