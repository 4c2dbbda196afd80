// Entry point on POSIX systems: the arguments arrive already split.
#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstring>
#include <vector>

#include "app/app.h"

namespace {

// Opens /dev/null on each of descriptors 0 to 2 that was closed when the program started: left
// closed, the connection's socket would take its number, and the console would read its own
// RCON connection as input or write its texts into it.
void OpenClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) open("/dev/null", O_RDWR);  // takes the lowest free number: fd
  }
}

// Overwrites the password argument in the process's argument memory, so that other users no
// longer see it in ps or /proc/PID/cmdline once it has been read. (Typing it at the prompt
// keeps it from them from the start.)
void HidePasswordArgument(int argc, char** argv) {
  if (argc > 3) std::memset(argv[3], 'x', std::strlen(argv[3]));
}

}  // namespace

int main(int argc, char** argv) {
  OpenClosedStandardDescriptors();
  std::setlocale(LC_ALL, "");  // the console's encoding and the clock's 12/24 hours come from the locale
  rcon::Console console;
  std::vector<rcon::Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(console.TypedText(argv[i]));  // console text, like typing
  HidePasswordArgument(argc, argv);
  return rcon::Main(console, std::move(arguments));
}
