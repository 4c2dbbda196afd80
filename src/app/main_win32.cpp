// Entry point on Windows: the arguments are split from the raw command line.
#include <windows.h>

#include "app/app.h"

int main() {
  rcon::Console console;
  return rcon::Main(console, rcon::SplitCommandLine(GetCommandLineA()));
}
