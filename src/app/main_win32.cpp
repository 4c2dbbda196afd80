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
  const char* trace = std::getenv("RCON_CONSOLE_TRACE");  // every packet, appended to this file
  return rcon::Main(console, rcon::SplitCommandLine(GetCommandLineA()),
                    {.trace = trace != nullptr && trace[0] != '\0' ? std::fopen(trace, "ab") : nullptr});
}
