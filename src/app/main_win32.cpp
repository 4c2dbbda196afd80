// Entry point on Windows: the arguments are split from the raw command line. The console shows
// code page 936 itself, so texts pass unchanged; its own line editing and history serve the reads.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/app.h"

int main() {
  rcon::ConsoleSettings settings;
  const char* no_colour = std::getenv("NO_COLOR");  // no-color.org: set and not empty
  settings.colour = no_colour == nullptr || no_colour[0] == '\0';
  rcon::Console console(stdin, stdout, stderr, std::move(settings));
  rcon::Surroundings surroundings;
  if (const char* trace = std::getenv("RCON_CONSOLE_TRACE"); trace != nullptr && trace[0] != '\0') {
    surroundings.trace = std::fopen(trace, "ab");  // every packet, appended to this file
  }
  if (const char* password = std::getenv("RCON_PASSWORD")) surroundings.password = password;
  // The saved servers: %RCON_CONSOLE_SERVERS%, else %APPDATA%\rcon-console\servers.toml.
  if (const char* chosen = std::getenv("RCON_CONSOLE_SERVERS"); chosen != nullptr && chosen[0] != '\0') {
    surroundings.servers_file = chosen;
  } else if (const char* appdata = std::getenv("APPDATA"); appdata != nullptr && appdata[0] != '\0') {
    surroundings.servers_file = std::string(appdata) + "\\rcon-console\\servers.toml";
  }
  return rcon::Main(console, rcon::SplitCommandLine(GetCommandLineA()), surroundings);
}
