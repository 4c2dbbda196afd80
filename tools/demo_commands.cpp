#include "demo_commands.h"

#include <cstdlib>
#include <ctime>

namespace rcon::demo {

using testing::ReceivedPacket;
using testing::Session;

namespace {

constexpr std::size_t kPacketBody = 4096;

std::string Help() {
  return "Commands: help, echo TEXT, list, time, long N (a reply of N bytes in 4096-byte packets), "
         "chinese (a reply in Chinese); anything else is an unknown command.";
}

}  // namespace

void DemoCommandScript(Session& session, const ReceivedPacket& request) {
  const std::string& line = request.body;
  const std::string word = line.substr(0, line.find(' '));
  const std::string rest = line.size() > word.size() ? line.substr(word.size() + 1) : std::string();
  if (word == "help") {
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
      packets += rcon::testing::ServerPacket(request.id, 0, body.substr(at, kPacketBody));
      at += kPacketBody;
    } while (at < body.size());
    session.SendRaw(packets);
  } else if (word == "chinese") {
    session.Reply(request, "\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE4\xB8\x96\xE7\x95\x8C");  // 你好，世界 in UTF-8
  } else {
    session.Reply(request, "Unknown command. Type \"help\" for help.");
  }
}

}  // namespace rcon::demo
