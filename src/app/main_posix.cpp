// Entry point on POSIX systems: the arguments arrive already split; the locale says how the
// terminal wants its text.
#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "app/options.h"

namespace {

// Opens /dev/null on each of descriptors 0 to 2 that was closed when the program started: left
// closed, the connection's socket would take its number, and the console would read its own
// RCON connection as input or write its texts into it.
void OpenClosedStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1) open("/dev/null", O_RDWR);  // takes the lowest free number: fd
  }
}

// Overwrites the password argument (the third after the options) in the process's argument
// memory, so that other users no longer see it in ps or /proc/PID/cmdline once it has been
// read. (Typing it at the prompt, a password file or RCON_PASSWORD keep it from them from the start.)
void HidePasswordArgument(const std::vector<rcon::Text>& arguments, char** argv) {
  std::size_t first = 0;  // where the positional arguments begin
  rcon::OptionError error;
  if (!arguments.empty() && rcon::LooksLikeOption(arguments[0])) {
    const std::optional<rcon::Options> options = rcon::ParseOptions(arguments, error);
    if (!options) return;
    first = arguments.size() - options->positional.size();
  }
  if (first + 2 < arguments.size()) {
    char* password = argv[1 + first + 2];
    std::memset(password, 'x', std::strlen(password));
  }
}

// Takes the character set and the clock from the locale (nothing else of it is used), and tells
// whether the terminal speaks UTF-8. No locale at all (C or POSIX: cron, systemd, containers)
// means UTF-8, as modern tools take it; the line editor is given C.UTF-8 to read it with.
bool SetUpLocale() {
  std::setlocale(LC_TIME, "");
  const char* chosen = std::setlocale(LC_CTYPE, "");
  const std::string_view name = chosen != nullptr ? chosen : "C";
  if (name == "C" || name == "POSIX") {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    return true;
  }
  const std::string_view codeset = nl_langinfo(CODESET);
  return codeset == "UTF-8" || codeset == "utf8";
}

// Where line editing keeps its history: $RCON_CONSOLE_HISTORY (set but empty: nowhere), else
// $XDG_STATE_HOME/rcon-console/history, else ~/.local/state/rcon-console/history.
std::string HistoryFile() {
  if (const char* chosen = std::getenv("RCON_CONSOLE_HISTORY")) return chosen;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
    return std::string(state) + "/rcon-console/history";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    return std::string(home) + "/.local/state/rcon-console/history";
  }
  return std::string();
}

// Opens the packet trace that RCON_CONSOLE_TRACE names, for appending; a file it makes is the
// user's alone. Nothing when none is asked for or it cannot be opened.
std::FILE* OpenTrace() {
  const char* path = std::getenv("RCON_CONSOLE_TRACE");
  if (path == nullptr || path[0] == '\0') return nullptr;
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
  return fd < 0 ? nullptr : fdopen(fd, "a");
}

// Where the saved servers are: $RCON_CONSOLE_SERVERS, else $XDG_CONFIG_HOME/rcon-console/servers.toml,
// else ~/.config/rcon-console/servers.toml.
std::string ServersFile() {
  if (const char* chosen = std::getenv("RCON_CONSOLE_SERVERS"); chosen != nullptr && chosen[0] != '\0') return chosen;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    return std::string(config) + "/rcon-console/servers.toml";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    return std::string(home) + "/.config/rcon-console/servers.toml";
  }
  return std::string();
}

// Colour codes are shown unless NO_COLOR is set (no-color.org) or the terminal is dumb.
bool ColourWanted() {
  const char* no_colour = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  return (no_colour == nullptr || no_colour[0] == '\0') && (term == nullptr || std::string_view(term) != "dumb");
}

}  // namespace

int main(int argc, char** argv) {
  OpenClosedStandardDescriptors();
  const bool utf8 = SetUpLocale();
  // Under a UTF-8 locale every character can pass, at a terminal and in pipes and files alike:
  // the console's texts are GB18030 there (GBK's superset, byte for byte the same for every GBK
  // character). Under any other locale the bytes pass unchanged, in GBK.
  rcon::CodePageConverter codepage(utf8 ? rcon::ConsoleCodePage::kGb18030 : rcon::ConsoleCodePage::kGbk);
  rcon::ConsoleSettings settings;
  if (utf8) {
    settings.to_terminal = [&codepage](std::string_view text) { return codepage.ToUtf8(text); };
    settings.from_terminal = [&codepage](std::string_view text) { return codepage.FromUtf8(text); };
  }
  settings.history_file = HistoryFile();
  settings.colour = ColourWanted();
  rcon::Console console(stdin, stdout, stderr, std::move(settings));
  std::vector<rcon::Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(console.TypedText(argv[i]));  // console text, like typing
  HidePasswordArgument(arguments, argv);
  rcon::Surroundings surroundings{.page = codepage.Page(), .trace = OpenTrace(), .password = {}, .servers_file = ServersFile()};
  if (const char* password = std::getenv("RCON_PASSWORD")) surroundings.password = console.TypedText(password);
  return rcon::Main(console, std::move(arguments), surroundings);
}
