#include "demo_commands.h"

#include <cstdlib>
#include <ctime>

namespace rcon::demo {

using support::ReceivedPacket;
using support::Session;

namespace {

constexpr std::size_t kPacketBody = 4096;

std::string Help() {
  return "Demo RCON server. Commands: help (or an empty line), echo TEXT, list, time, "
         "long N (a reply of N bytes in 4096-byte packets), chinese (a reply in Chinese), "
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

namespace {

}  // namespace

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
    const long n = std::strtol(rest.c_str(), nullptr, 10);
    std::string body;
    for (long i = 0; i < (n > 0 && n <= (16L << 20) ? n : 0); ++i) body += static_cast<char>('a' + i % 26);
    std::string packets;
    std::size_t at = 0;
    do {
      packets += rcon::support::ServerPacket(request.id, 0, body.substr(at, kPacketBody));
      at += kPacketBody;
    } while (at < body.size());
    session.SendRaw(packets);
  } else if (word == "colors") {
    session.Reply(request, ColoursReply());
  } else if (word == "controls") {
    session.Reply(request, ControlsReply());
  } else if (word == "chinese") {
    session.Reply(request, "\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE4\xB8\x96\xE7\x95\x8C");  // 你好，世界 in UTF-8
  } else {
    session.Reply(request, "Unknown command. Type \"help\" for help.");
  }
}

}  // namespace rcon::demo
