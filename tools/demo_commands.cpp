#include "demo_commands.h"

#include <cstdlib>
#include <ctime>

namespace rcon::demo {

using support::ReceivedPacket;
using support::Session;

namespace {

std::string Help() {
  return "Demo RCON server. Commands: help (or an empty line), echo TEXT, list, time, "
         "long N (a reply of N bytes), chinese [N] (a reply in Chinese, of N characters), "
         "colors (Minecraft colour codes), controls (a reply that tries to take over your terminal); "
         "anything else is an unknown command. Up/Down recall earlier commands; Ctrl+D or Ctrl+C ends.";
}

}  // namespace

std::string ColoursReply() {
  const std::string s = "\xC2\xA7";
  return s + "aGreen " + s + "cRed " + s + "9Blue " + s + "6Gold " + s + "lBold" + s + "r " + s + "nUnderlined" + s +
         "r " + s + "oItalic" + s + "r " + s + "mStruck" + s + "r and plain.";
}

std::string ControlsReply() {
  return "\x1b[2J\x1b[H\x1b]0;owned\x07\x1b]52;c;b3duZWQ=\x07\x07"
         "This reply tried to clear the screen, retitle the window, fill the clipboard and ring the bell.";
}

std::string LongReply(long n) {
  std::string body;
  for (long i = 0; i < (n > 0 && n <= (16L << 20) ? n : 0); ++i) body += static_cast<char>('a' + i % 26);
  return body;
}

std::string ChineseReply(long n) {
  std::string body;
  for (long i = 0; i < (n > 0 && n <= (1L << 20) ? n : 0); ++i) body += kHelloWorld.substr(3 * (i % 5), 3);
  return body;
}

void DemoCommandScript(Session& session, const ReceivedPacket& request) {
  const std::string& line = request.body;
  const std::string word = line.substr(0, line.find(' '));
  const std::string rest = line.size() > word.size() ? line.substr(word.size() + 1) : std::string();
  if (word == "help" || word.empty()) {
    session.Reply(request, Help());
  } else if (word == "echo") {
    session.Reply(request, rest);
  } else if (word == "list") {
    session.Reply(request, "There are 2 of a max of 20 players online: Alex, Steve");
  } else if (word == "time") {
    const std::time_t now = std::time(nullptr);
    char text[64];
    std::strftime(text, sizeof text, "Server time: %Y-%m-%d %H:%M:%S", std::localtime(&now));
    session.Reply(request, text);
  } else if (word == "long") {
    session.Reply(request, LongReply(std::strtol(rest.c_str(), nullptr, 10)));
  } else if (word == "colors") {
    session.Reply(request, ColoursReply());
  } else if (word == "controls") {
    session.Reply(request, ControlsReply());
  } else if (word == "chinese") {
    session.Reply(request, rest.empty() ? std::string(kHelloWorld) : ChineseReply(std::strtol(rest.c_str(), nullptr, 10)));
  } else {
    session.Reply(request, "Unknown command. Type \"help\" for help.");
  }
}

}  // namespace rcon::demo
