// Entry point on POSIX systems: the arguments arrive already split.
#include <clocale>
#include <vector>

#include "app/app.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");  // the console's encoding and the clock's 12/24 hours come from the locale
  rcon::Console console;
  std::vector<rcon::Text> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return rcon::Main(console, std::move(arguments));
}
