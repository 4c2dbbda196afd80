// The real client against servers that misbehave. Every byte a server sends is untrusted: the
// client must not crash, must not wait past its time-out, must print a defined text, must keep
// its connections bounded, and must go on with the next command.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <regex>

#include "app/messages.h"
#include "rcon/packet.h"
#include "rcon/rcon_client.h"
#include "run_process.h"
#include "scripted_server.h"

namespace rcon {
namespace {

using support::ChildProcess;
using support::LoginStyle;
using support::ProcessResult;
using support::ReceivedPacket;
using support::ScriptedServer;
using support::ServerPacket;
using support::Session;
using namespace std::string_literals;

constexpr int kTimeoutMs = 500;
// Start-up, login and scheduling on a busy machine (or under the sanitizers).
constexpr double kMarginSeconds = 2.0;

// The replies of a session, in order, taken from the reply blocks: "\r\n[" stamp "] \r\n" reply
// "\r\n" and the next separator. (A plain scan: replies here run to megabytes.)
std::vector<std::string> Replies(const std::string& out) {
  static const std::regex stamp(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})");
  const std::string end = "\r\n----------------\r\n";
  std::vector<std::string> replies;
  for (std::size_t at = out.find("\r\n["); at != std::string::npos; at = out.find("\r\n[", at)) {
    const std::size_t header_end = out.find("] \r\n", at);
    const std::size_t reply_end = header_end == std::string::npos ? header_end : out.find(end, header_end);
    if (reply_end == std::string::npos) break;
    if (!std::regex_match(out.substr(at + 3, header_end - at - 3), stamp)) break;
    replies.push_back(out.substr(header_end + 4, reply_end - header_end - 4));
    at = reply_end + end.size();
  }
  return replies;
}

ProcessResult RunAgainst(const ScriptedServer& server, const std::string& input) {
  ProcessResult r = support::RunProcess(
      {RCON_CONSOLE_PATH, "127.0.0.1", std::to_string(server.Port()), "secret", std::to_string(kTimeoutMs)}, input,
      {support::kGbkLocale}, 60000);
  r.out = support::FromTextModeOutput(r.out);
  return r;
}

std::string Header(std::int32_t size) {
  std::string h = ServerPacket(0, 0, "").substr(0, 12);
  for (int k = 0; k < 4; ++k) h[static_cast<std::size_t>(k)] = static_cast<char>((static_cast<std::uint32_t>(size) >> (8 * k)) & 0xFF);
  return h;
}

struct HostileCase {
  const char* name;
  std::function<void(Session&, const ReceivedPacket&, int attempt)> misbehave;  // on the command "hit"
  std::string expected;                                                         // the reply printed for it
  int time_outs;                                                                // full time-outs it may cost
};

TEST(HostileServerTest, EachMisbehaviourGivesADefinedTextAndTheClientGoesOn) {
  const std::string one_mb(1 << 20, 'm');
  const HostileCase cases[] = {
      {"garbage bytes", [](Session& s, auto&, int) { s.SendRaw("this is not an rcon packet at all\0\0"s); },
       "an rcon packet at all", 0},
      {"size 0x7fffffff", [](Session& s, auto&, int) { s.SendRaw(Header(0x7fffffff) + "big\0"s); }, "big", 0},
      {"negative size", [](Session& s, auto&, int) { s.SendRaw(Header(-2) + "neg\0"s); }, "neg", 0},
      {"dripped a byte at a time",
       [](Session& s, const ReceivedPacket& r, int) { s.SendDripped(ServerPacket(r.id, 0, "slow drip"), 1, 10); },
       "slow drip", 0},
      {"close in the middle of a reply",
       [](Session& s, const ReceivedPacket& r, int) {
         s.SendRaw(ServerPacket(r.id, 0, "partial reply").substr(0, 12 + 7));
         s.CloseAfter();
       },
       "partial", 0},
      {"connection reset",
       [](Session& s, const ReceivedPacket& r, int attempt) {
         if (attempt == 1) s.ResetAfter();
         else s.Reply(r, "recovered");
       },
       "recovered", 0},
      {"never answers", [](Session&, auto&, int) {}, std::string(messages::kTimedOut.gbk), 1},
      {"a 1 MB reply in 4096-byte packets",
       [&](Session& s, const ReceivedPacket& r, int) {
         std::string packets;
         for (std::size_t at = 0; at < one_mb.size(); at += 4096) packets += ServerPacket(r.id, 0, one_mb.substr(at, 4096));
         s.SendRaw(packets);
       },
       one_mb, 0},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::atomic<int> attempts{0};
    ScriptedServer server({LoginStyle::kMinecraft, "secret", [&](Session& s, const ReceivedPacket& r) {
                             if (r.body == "hit") c.misbehave(s, r, ++attempts);
                             else s.Reply(r, r.body);
                           }});
    const ProcessResult r = RunAgainst(server, "hit\nnext\nlast\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Replies(r.out), (std::vector<std::string>{c.expected, "next", "last"}));
    EXPECT_LT(r.seconds, c.time_outs * kTimeoutMs / 1000.0 + kMarginSeconds);
    EXPECT_TRUE(server.WaitUntil([&] { return server.OpenConnections() == 0; }, 2000));  // none left behind
  }
}

TEST(HostileServerTest, AStaleReplyIsReadByTheNextCommand) {
  ScriptedServer server({LoginStyle::kMinecraft, "secret", [](Session& s, const ReceivedPacket& r) {
                           if (r.body == "late") Session::Pause(kTimeoutMs + 300);
                           s.Reply(r, r.body);
                         }});
  const ProcessResult r = RunAgainst(server, "late\nafter\n");
  EXPECT_EQ(Replies(r.out), (std::vector<std::string>{std::string(messages::kTimedOut.gbk), "late"}));
  EXPECT_LT(r.seconds, kTimeoutMs / 1000.0 + kMarginSeconds);
}

TEST(HostileServerTest, AFloodOfPacketsKeepsMemoryBoundedAndTheClientInStep) {
  // Packets just under the trusted size, back to back for twice the time-out, each send ending
  // in the middle of a packet, so that the reply is never whole before the time-out passes. The
  // server is held up in its sends once the client stops reading; the next command drains the
  // rest, and the flood ends with the packet under way.
  constexpr std::size_t kBody = (4u << 20) - 16;
  const std::string packet = ServerPacket(0, 0, std::string(kBody, 'f'));
  const std::string straddling = packet.substr(packet.size() / 2) + packet.substr(0, packet.size() / 2);
  ScriptedServer server({LoginStyle::kMinecraft, "secret", [&](Session& s, const ReceivedPacket& r) {
                           if (r.body != "flood") return s.Reply(r, r.body);
                           const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2 * kTimeoutMs);
                           s.SendRaw(packet.substr(0, packet.size() / 2));
                           while (std::chrono::steady_clock::now() < end) s.SendRaw(straddling);
                           s.SendRaw(packet.substr(packet.size() / 2));
                         }});
  ChildProcess client({RCON_CONSOLE_PATH, "127.0.0.1", std::to_string(server.Port()), "secret", std::to_string(kTimeoutMs)},
                      {support::kGbkLocale});
  ASSERT_TRUE(client.Write("flood\n"));
  ASSERT_TRUE(client.WaitForOutput("\r\n> ", 10000, 2));  // the flood's reply block is out
  Session::Pause(2 * kTimeoutMs);  // past the flood's end: the packet under way is its last
  ASSERT_TRUE(client.Write("next\n"));
  ASSERT_TRUE(client.WaitForOutput("next\r", 30000));
  const support::ProcessStats stats = client.Stats();
  client.CloseInput();
  EXPECT_EQ(client.Wait(10000), 0);
  const std::vector<std::string> replies = Replies(support::FromTextModeOutput(client.Output()));
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_LE(replies[0].size(), kDefaultMaxReplyBytes);  // what fits the limit
  EXPECT_EQ(replies[0].find_first_not_of('f'), std::string::npos);
  // The rest of the flood is late for "next": limited, and never taken for its reply.
  EXPECT_EQ(replies[1].substr(replies[1].size() - 6), "\r\nnext");
  EXPECT_LE(replies[1].size(), kDefaultMaxReplyBytes + 6);
  if (support::kMemoryFiguresHold && stats.peak_rss_kb >= 0) {
    EXPECT_LT(stats.peak_rss_kb, 64 * 1024);
  }
  std::printf("peak RSS through the flood: %lld kB\n", static_cast<long long>(stats.peak_rss_kb));
}

TEST(HostileServerTest, AHostThatNeverAnswersTheConnectionIsUnreachableWithinTheTimeOut) {
  const support::SilentHost host = support::StartSilentHost();
  ASSERT_NE(host.filler, support::kNoSocketHandle);
  const ProcessResult r = support::RunProcess(
      {RCON_CONSOLE_PATH, "127.0.0.1", std::to_string(host.port), "secret", std::to_string(kTimeoutMs)}, "\n",
      {support::kGbkLocale}, 60000);
  support::StopSilentHost(host);
  EXPECT_EQ(support::FromTextModeOutput(r.out),
            std::string(messages::kUnreachable.gbk) + "\r\n" + std::string(messages::kPressToEnd.gbk) + "\r\n");
  EXPECT_LT(r.seconds, kTimeoutMs / 1000.0 + kMarginSeconds);
}

TEST(HostileServerTest, AServerThatNeverReadsIsUnreachable) {
  ScriptedServer server({LoginStyle::kNeverRead});
  const ProcessResult r = RunAgainst(server, "\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, std::string(messages::kUnreachable.gbk) + "\r\n" + std::string(messages::kPressToEnd.gbk) + "\r\n");
  EXPECT_LT(r.seconds, 2 * kTimeoutMs / 1000.0 + kMarginSeconds);  // two login attempts
}

TEST(HostileServerTest, AHundredForcedReconnectsKeepDescriptorsBounded) {
  ScriptedServer server({LoginStyle::kMinecraft, "secret", [](Session& s, const ReceivedPacket& r) {
                           s.Reply(r, r.body);
                           s.CloseAfter();  // every command finds the connection gone and repairs it
                         }});
  ChildProcess client({RCON_CONSOLE_PATH, "127.0.0.1", std::to_string(server.Port()), "secret", "2000"}, {support::kGbkLocale});
  ASSERT_TRUE(client.Started());
  ASSERT_TRUE(client.Write("c0\n"));
  ASSERT_TRUE(client.WaitForOutput("c0\r", 10000));
  const support::ProcessStats before = client.Stats();
  std::string input;
  for (int i = 1; i <= 100; ++i) input += "c" + std::to_string(i) + "\n";
  ASSERT_TRUE(client.Write(input));
  ASSERT_TRUE(client.WaitForOutput("c100\r", 30000));
  const support::ProcessStats after = client.Stats();
  client.CloseInput();
  EXPECT_EQ(client.Wait(10000), 0);
  const std::vector<std::string> replies = Replies(support::FromTextModeOutput(client.Output()));
  ASSERT_EQ(replies.size(), 101u);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(replies[static_cast<std::size_t>(i)], "c" + std::to_string(i));
  EXPECT_GE(server.Accepted(), 101);
  EXPECT_LE(after.open_handles, before.open_handles);
  EXPECT_TRUE(server.WaitUntil([&] { return server.OpenConnections() == 0; }, 2000));
}

}  // namespace
}  // namespace rcon
