// The real binary against every server family's habits, straight over loopback and through a
// proxy that delays and re-cuts the stream as a real network does: every reply whole in its own
// block, nothing that is no reply inside one, every line one command.
#include <gtest/gtest.h>

#include <regex>

#include "app/messages.h"
#include "delaying_proxy.h"
#include "demo_commands.h"
#include "rcon/codepage.h"
#include "rcon/packet.h"
#include "run_process.h"
#include "scripted_server.h"

namespace rcon {
namespace {

using support::ServerFamily;

struct Route {
  const ServerFamily* family;
  bool through_network;
};

void PrintTo(const Route& route, std::ostream* os) {
  *os << route.family->name << (route.through_network ? " over a network" : " direct");
}

std::string NameOf(const testing::TestParamInfo<Route>& info) {
  std::string name = info.param.family->name;
  for (char& c : name) c = c == '-' ? '_' : c;
  return name + (info.param.through_network ? "_OverANetwork" : "_Direct");
}

std::vector<Route> Routes() {
  std::vector<Route> routes;
  for (const ServerFamily& f : support::ServerFamilies()) {
    routes.push_back({&f, false});
    routes.push_back({&f, true});
  }
  return routes;
}

std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

// A text of the program's own with two numbers in it, as the GBK console shows it.
std::string WithNumbers(const std::array<OwnText, 3>& parts, std::size_t first, std::size_t second) {
  return std::string(parts[0].gbk) + std::to_string(first) + std::string(parts[1].gbk) + std::to_string(second) +
         std::string(parts[2].gbk);
}

// The reply blocks of a session's output, each cut into its lines.
std::vector<std::vector<std::string>> Blocks(const std::string& out) {
  static const std::regex header(R"(\r\n\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\] \r\n)");
  const std::string separator = "\r\n----------------\r\n> ";
  std::vector<std::vector<std::string>> blocks;
  for (std::sregex_iterator it(out.begin(), out.end(), header), end; it != end; ++it) {
    const std::size_t from = static_cast<std::size_t>(it->position() + it->length());
    const std::string body = out.substr(from, out.find(separator, from) - from);
    std::vector<std::string> lines;
    for (std::size_t at = 0;;) {
      const std::size_t cut = body.find("\r\n", at);
      lines.push_back(body.substr(at, cut - at));
      if (cut == std::string::npos) break;
      at = cut + 2;
    }
    blocks.push_back(lines);
  }
  return blocks;
}

// Lines a server sends unasked: Squad's chat, Rust's line before each reply.
bool IsNotice(const std::string& line) { return line.rfind("[ChatAll] ", 0) == 0 || line.rfind("[RCON][", 0) == 0; }

class ServerFamilyTest : public testing::TestWithParam<Route> {};

TEST_P(ServerFamilyTest, EveryReplyWholeInItsOwnBlockAndEveryLineOneCommand) {
  const ServerFamily& family = *GetParam().family;
  const std::string family_name = family.name;
  const bool minecraft = family_name == "minecraft";
  support::ScriptedServer server({.script = demo::DemoCommandScript, .family = &family});
  std::unique_ptr<support::DelayingProxy> proxy;
  if (GetParam().through_network) proxy = std::make_unique<support::DelayingProxy>(server.Port(), 7);
  const int port = proxy ? proxy->Port() : server.Port();

  std::vector<std::pair<std::string, std::string>> exchanges;  // each command and the block it must give
  for (const long n : {10L, 4095L, 4096L, 4097L, 10000L, 100000L}) {
    exchanges.push_back({"long " + std::to_string(n), demo::LongReply(n)});
  }
  if (minecraft) exchanges.push_back({"chinese 5000", Gbk(demo::ChineseReply(5000))});
  if (family.say_as_chat) exchanges.push_back({"say hello", "[CHAT] SERVER : hello"});
  exchanges.push_back({"echo after", "after"});
  if (family.short_non_ascii) {
    // The packet never ends: what came of it is shown, and the next command logs in anew.
    exchanges.push_back({"chinese 3", Gbk(demo::ChineseReply(1))});
    exchanges.push_back({"echo in step", "in step"});
  }
  const std::string line_3000 = "echo " + std::string(2995, 'x');
  exchanges.push_back({line_3000, minecraft ? WithNumbers(messages::kDroppedLongCommand, 3000, 1446)
                                            : std::string(2995, 'x')});
  exchanges.push_back({"echo " + std::string(4995, 'y'), WithNumbers(messages::kCommandTooLong, 5000, 4086)});
  exchanges.push_back({"echo last", "last"});

  std::string input;
  for (const auto& [command, reply] : exchanges) input += command + "\n";
  // Over the network a 100,000-byte reply takes about half a second: the default time-out holds it.
  const std::string timeout = proxy ? "3000" : "1000";
  const support::ProcessResult r = support::RunProcess(
      {RCON_CONSOLE_PATH, "127.0.0.1", std::to_string(port), "secret", timeout}, input, {support::kGbkLocale}, 60000);
  const std::string out = support::FromTextModeOutput(r.out);
  const auto blocks = Blocks(out);
  ASSERT_EQ(blocks.size(), exchanges.size()) << out.substr(0, 2000);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const std::string& command = exchanges[i].first;
    SCOPED_TRACE(command.substr(0, 20));
    // What the server sent unasked comes first, a line each; then the reply, whole, and nothing else.
    for (std::size_t k = 0; k + 1 < blocks[i].size(); ++k) {
      EXPECT_TRUE(IsNotice(blocks[i][k])) << blocks[i][k];
    }
    EXPECT_EQ(blocks[i].back().size(), exchanges[i].second.size());
    EXPECT_TRUE(blocks[i].back() == exchanges[i].second) << blocks[i].back().substr(0, 200);
    if (family.notice_before_reply && i + 2 < blocks.size()) {  // the last two were never sent
      EXPECT_EQ(blocks[i].front().rfind("[RCON][", 0), 0u);
    }
  }
  // The 3000-byte line reached the server as one command (a Minecraft server drops it unread).
  std::size_t long_lines = 0;
  for (const auto& p : server.ReceivedOfType(kCommandRequestType)) long_lines += p.body == line_3000 ? 1 : 0;
  EXPECT_EQ(long_lines, minecraft ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Families, ServerFamilyTest, testing::ValuesIn(Routes()), NameOf);

}  // namespace
}  // namespace rcon
