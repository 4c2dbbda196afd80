#include "rcon/rcon_client.h"

#include <gtest/gtest.h>

#include <thread>

#include "rcon/packet.h"
#include "scripted_server.h"
#include "test_socket.h"
#include "elapsed.h"
#include "util/clock.h"

namespace rcon {
namespace {

using support::MillisecondsOf;

using namespace std::string_literals;
using support::LoginStyle;
using support::ReceivedPacket;
using support::ScriptedServer;
using support::Session;

// What a command came to, as one text: what came ahead of the reply (late replies, notices), a
// line each, then the reply, or what happened instead in angle brackets.
std::string Shown(const Reply& r) {
  std::string shown;
  for (const Text* before : {&r.late, &r.notices}) {
    if (!before->empty()) shown += *before + "\r\n";
  }
  switch (r.status) {
    case ReplyStatus::kReceived: return shown + r.text;
    case ReplyStatus::kTimedOut: return shown + "<timed out>";
    case ReplyStatus::kLost: return shown + "<lost>";
    case ReplyStatus::kTooLong: return shown + "<too long: " + std::to_string(r.command_bytes) + ">";
    case ReplyStatus::kDroppedLong: return shown + "<dropped: " + std::to_string(r.command_bytes) + ">";
  }
  return shown;
}
const std::string kTimedOutText = "<timed out>", kConnectionLostText = "<lost>";

ScriptedServer::Options With(LoginStyle login, support::CommandScript script = support::EchoScript) {
  ScriptedServer::Options o;
  o.login = login;
  o.script = std::move(script);
  return o;
}


TEST(MapTimeoutTest, ZeroIsTheDefaultAndMinusOneNoLimit) {
  EXPECT_EQ(MapTimeout(0), 3000);
  EXPECT_EQ(MapTimeout(-1), 0);
  EXPECT_EQ(MapTimeout(250), 250);
  EXPECT_EQ(MapTimeout(-7), -7);
}

TEST(LoginTest, EachKindOfServerGetsTheStandardFormFirst) {
  const struct {
    const char* what;
    LoginStyle style;
    std::string password;
    int result;
    int terminators;                   // stored after the login
    std::vector<int> auth_terminators;  // zero bytes after each authentication request sent
  } cases[] = {
      {"Minecraft", LoginStyle::kMinecraft, "secret", 1, 2, {2}},
      {"Minecraft, wrong password", LoginStyle::kMinecraft, "wrong", 0, 0, {2, 1}},
      {"Source", LoginStyle::kSource, "secret", 1, 2, {2}},
      {"Source, wrong password", LoginStyle::kSource, "wrong", 0, 0, {2, 1}},
      {"one zero byte only", LoginStyle::kOneTerminatorOnly, "secret", 1, 1, {2, 1}},
      {"strict, wrong password: closes on the second form", LoginStyle::kStrict, "wrong", 0, 0, {2, 1}},
      {"Cuberite-style", LoginStyle::kCuberite, "secret", 1, 2, {2}},
      // Closed in answer to the standard form: no second form, which would let "secreX" in as "secre".
      {"Cuberite-style, wrong in the last byte", LoginStyle::kCuberite, "secreX", -1, 0, {2}},
      {"refuses, then silent", LoginStyle::kRefuseThenSilent, "secret", 0, 0, {2, 1}},
  };
  for (const auto& c : cases) {
    ScriptedServer server(With(c.style));
    RconClient client;
    EXPECT_EQ(client.Login("127.0.0.1", server.Port(), c.password, 300), c.result) << c.what;
    EXPECT_EQ(client.TerminatorCount(), c.terminators) << c.what;
    std::vector<int> sent;
    for (const ReceivedPacket& p : server.ReceivedOfType(kAuthRequestType)) sent.push_back(p.terminators);
    EXPECT_EQ(sent, c.auth_terminators) << c.what;
    if (c.result != 1) continue;
    // Commands go in the accepted form and reach the server whole; with the Source-style empty
    // packet skipped, each reply is its own command's, not one behind.
    Text command = "list";
    EXPECT_EQ(Shown(client.Execute(command, 1000)), "list") << c.what;
    EXPECT_EQ(Shown(client.Execute(command = "\xD6\xD0", 1000)), "\xD6\xD0") << c.what;
    const auto commands = server.ReceivedOfType(kCommandRequestType);
    ASSERT_EQ(commands.size(), 2u) << c.what;
    EXPECT_EQ(commands[0].body, "list") << c.what;
    EXPECT_EQ(commands[0].terminators, c.terminators) << c.what;
    EXPECT_EQ(commands[0].size, 4 + 8 + c.terminators) << c.what;  // the size counts every zero byte sent
    EXPECT_EQ(commands[1].body, "\xE4\xB8\xAD") << c.what;
  }
}

TEST(LoginTest, NoReplyIsNotSuccess) {
  ScriptedServer server(With(LoginStyle::kSilent));
  RconClient client;
  int result = 0;
  const auto ms = MillisecondsOf([&] { result = client.Login("127.0.0.1", server.Port(), "secret", 300); });
  EXPECT_EQ(result, -1);
  EXPECT_GE(ms, 590);  // two attempts, each waiting out its time-out
  EXPECT_LT(ms, 1500);
  EXPECT_EQ(server.ReceivedOfType(kAuthRequestType).size(), 2u);
}

TEST(LoginTest, ReplyIdsDecideTheResult) {
  const struct {
    std::int32_t id;
    int result;
  } cases[] = {{5, 6}, {-2, -1}, {0, 1}, {0x00010000, 1}};
  for (const auto& c : cases) {
    // A hand-made server: answer the authentication with the given id.
    support::SocketHandle listener;
    int port = 0;
    listener = support::ListenLoopback(0, port);
    std::thread peer([&] {
      const support::SocketHandle s = support::AcceptWithin(listener, 2000);
      char block[256];
      support::ReceiveSome(s, block, sizeof block, 2000);
      support::SendAll(s, support::ServerPacket(c.id, 2, ""));
      support::ReceiveSome(s, block, sizeof block, 500);
      support::CloseSocket(s);
    });
    RconClient client;
    EXPECT_EQ(client.Login("127.0.0.1", port, "pw", 1000), c.result) << c.id;
    client.Disconnect();
    peer.join();
    support::CloseSocket(listener);
  }
}

TEST(LoginTest, UnreachableServerIsMinusOne) {
  RconClient client;
  int port = 0;
  const support::SocketHandle probe = support::ListenLoopback(0, port);
  support::CloseSocket(probe);  // a port nobody listens on
  EXPECT_EQ(client.Login("127.0.0.1", port, "secret", 500), -1);
  EXPECT_EQ(client.Login("", port, "secret", 500), -1);
  ScriptedServer closing(With(LoginStyle::kCloseAtAccept));
  EXPECT_EQ(client.Login("127.0.0.1", closing.Port(), "secret", 2000), -1);
}

TEST(LoginTest, StoresTheMappedTimeOut) {
  ScriptedServer server({});
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", 0), 1);
  EXPECT_EQ(client.StoredTimeout(), 3000);
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", -1), 1);
  EXPECT_EQ(client.StoredTimeout(), 0);
}

TEST(ExecuteTest, RemovesOneLeadingSlashAndSendsUtf8) {
  ScriptedServer server({});
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", 1000), 1);
  const struct {
    std::string typed, sent;
  } cases[] = {{"/list", "list"}, {"\\list", "list"}, {"//x", "/x"}, {"/", ""}, {"a/b", "a/b"},
               {"say \xD6\xD0\xCE\xC4", "say \xE4\xB8\xAD\xE6\x96\x87"}, {"", ""}};
  for (const auto& c : cases) {
    Text command = c.typed;
    const Text reply = Shown(client.Execute(command, 1000));
    EXPECT_EQ(command, c.sent) << "the sent form is written back";
    EXPECT_EQ(server.ReceivedOfType(kCommandRequestType).back().body, c.sent);
    EXPECT_EQ(reply, Text(c.typed.empty() || c.typed[0] == 'a' || c.typed[0] == 's' ? c.typed : c.typed.substr(1)));
  }
}

TEST(ExecuteTest, RepliesComeBackInGbkAndWhole) {
  ScriptedServer server(With(LoginStyle::kMinecraft, [](Session& s, const ReceivedPacket& r) {
    if (r.body == "zh") s.Reply(r, "\xE4\xB8\xAD\xE6\x96\x87 \xC3\xA9 \xE0\xB8\x81");
    if (r.body == "split") {  // 10000 bytes over three packets, sent in one go
      s.SendRaw(support::ServerPacket(r.id, 0, std::string(4096, 'a')) +
                support::ServerPacket(r.id, 0, std::string(4096, 'b')) +
                support::ServerPacket(r.id, 0, std::string(1808, 'c')));
    }
    if (r.body == "drip") s.SendDripped(support::ServerPacket(r.id, 0, std::string(10000, 'd')), 3000, 30);
    if (r.body == "cut") {  // 中 cut in two by the packet boundary
      s.SendRaw(support::ServerPacket(r.id, 0, "x\xE4") + support::ServerPacket(r.id, 0, "\xB8\xAD" "y"));
    }
  }));
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", 2000), 1);
  Text c = "zh";
  EXPECT_EQ(Shown(client.Execute(c, 2000)), "\xD6\xD0\xCE\xC4 \xA8\xA6 ?");
  EXPECT_EQ(Shown(client.Execute(c = "split", 2000)), std::string(4096, 'a') + std::string(4096, 'b') + std::string(1808, 'c'));
  EXPECT_EQ(Shown(client.Execute(c = "drip", 2000)), std::string(10000, 'd'));
  EXPECT_EQ(Shown(client.Execute(c = "cut", 2000)), "x\xD6\xD0y");
}

TEST(ExecuteTest, ASilentServerTimesOutAndALateReplyGoesToTheNextCommand) {
  ScriptedServer server(With(LoginStyle::kMinecraft, [](Session& s, const ReceivedPacket& r) {
    if (r.body == "slow") Session::Pause(600);
    if (r.body != "mute") s.Reply(r, r.body);
  }));
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", 300), 1);
  Text c = "mute";
  std::int64_t ms = MillisecondsOf([&] { EXPECT_EQ(Shown(client.Execute(c, 300)), kTimedOutText); });
  EXPECT_GE(ms, 295);
  EXPECT_LT(ms, 1000);
  EXPECT_EQ(Shown(client.Execute(c = "slow", 300)), kTimedOutText);
  Session::Pause(500);
  EXPECT_EQ(Shown(client.Execute(c = "next", 300)), "slow\r\nnext");  // the late reply first, on a line of its own
  EXPECT_EQ(server.Accepted(), 1);                    // a time-out is no reason to reconnect
}

TEST(ExecuteTest, ABrokenConnectionIsRepairedAndTheCommandResent) {
  ScriptedServer server(With(LoginStyle::kMinecraft, [](Session& s, const ReceivedPacket& r) {
    if (r.body == "bye") {
      s.CloseAfter();
      return;
    }
    if (r.body == "reset") {
      s.ResetAfter();
      return;
    }
    s.Reply(r, r.body + " on " + std::to_string(s.Index()));
  }));
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", 2000), 1);
  Text c = "bye";
  std::int64_t ms = MillisecondsOf([&] { EXPECT_EQ(Shown(client.Execute(c, 2000)), kConnectionLostText); });
  // The server read "bye" and closed without answering: an early failure, so the client
  // reconnected and resent "bye", which the second connection closed too.
  EXPECT_LT(ms, 1500);
  EXPECT_EQ(Shown(client.Execute(c = "hello", 2000)), "hello on 3");
  const auto sent = server.ReceivedOfType(kCommandRequestType);
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(sent[0].body, "bye");
  EXPECT_EQ(sent[1].body, "bye");  // resent, the same bytes, on a new connection
  EXPECT_EQ(sent[1].connection, 2);
  const auto auth = server.ReceivedOfType(kAuthRequestType);
  EXPECT_EQ(auth.back().body, "secret");  // the stored password
  EXPECT_EQ(Shown(client.Execute(c = "reset", 2000)), kConnectionLostText);
  EXPECT_EQ(Shown(client.Execute(c = "again", 2000)), "again on 5");
}

TEST(ExecuteTest, AnUnrecoverableServerGivesTheLostText) {
  auto server = std::make_unique<ScriptedServer>(ScriptedServer::Options{});
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server->Port(), "secret", 1000), 1);
  server->Stop();
  Text c = "list";
  std::int64_t ms = MillisecondsOf([&] { EXPECT_EQ(Shown(client.Execute(c, 1000)), kConnectionLostText); });
  EXPECT_LT(ms, 900);
  EXPECT_EQ(Shown(client.Execute(c = "list", 1000)), kConnectionLostText);  // each command tries again
}

TEST(ExecuteTest, ARepairResendsTheCommandInTheFormTheNewLoginAccepted) {
  auto first = std::make_unique<ScriptedServer>(With(LoginStyle::kMinecraft));
  const int port = first->Port();
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", port, "secret", 1000), 1);
  ASSERT_EQ(client.TerminatorCount(), 2);
  first.reset();  // the server restarts on the same port, as a kind that takes one zero byte only
  ScriptedServer::Options o = With(LoginStyle::kOneTerminatorOnly);
  o.port = port;
  ScriptedServer second(o);
  ASSERT_EQ(second.Port(), port);
  Text c = "list";
  EXPECT_EQ(Shown(client.Execute(c, 1000)), "list");
  const auto commands = second.ReceivedOfType(kCommandRequestType);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].terminators, 1);
  EXPECT_EQ(commands[0].size, 4 + 8 + 1);
}

TEST(ExecuteTest, WithoutALimitABrokenConnectionIsKnownAndRepaired) {
  // The receive says the peer closed: no clock reading decides it, so no limit changes nothing.
  ScriptedServer server(With(LoginStyle::kMinecraft, [](Session& s, const ReceivedPacket&) { s.CloseAfter(); }));
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", -1), 1);
  Text c = "x";
  EXPECT_EQ(Shown(client.Execute(c, -1)), kConnectionLostText);
  EXPECT_EQ(server.Accepted(), 2);  // one repair, whose resend was closed on again
}

TEST(ExecuteTest, AReplyThatReadsLikeTheReconnectTextIsAReply) {
  const std::string utf8 = "\xEF\xBC\x88\xE9\x9C\x80\xE8\xA6\x81\xE9\x87\x8D\xE6\x96\xB0\xE8\xBF\x9E\xE6\x8E\xA5\xEF\xBC\x89";
  ScriptedServer server(With(LoginStyle::kMinecraft, [&](Session& s, const ReceivedPacket& r) { s.Reply(r, utf8); }));
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", 1000), 1);
  Text c = "x";
  EXPECT_EQ(Shown(client.Execute(c, 1000)), "\xA3\xA8\xD0\xE8\xD2\xAA\xD6\xD8\xD0\xC2\xC1\xAC\xBD\xD3\xA3\xA9");  // （需要重新连接）
  EXPECT_EQ(server.Accepted(), 1);  // no reconnect
}

TEST(ExecuteTest, RepairsDoNotLeakDescriptors) {
  ScriptedServer server(With(LoginStyle::kMinecraft, [](Session& s, const ReceivedPacket& r) {
    s.Reply(r, r.body);
    s.CloseAfter();
  }));
  RconClient client;
  ASSERT_EQ(client.Login("127.0.0.1", server.Port(), "secret", 2000), 1);
  Text c = "warm-up";
  Shown(client.Execute(c, 2000));
  const int before = support::OpenHandleCount();
  for (int i = 0; i < 50; ++i) {
    c = "n" + std::to_string(i);
    ASSERT_EQ(Shown(client.Execute(c, 2000)), "n" + std::to_string(i));
  }
  EXPECT_LE(support::OpenHandleCount(), before + 1);
  EXPECT_TRUE(server.WaitUntil([&] { return server.OpenConnections() <= 1; }, 2000));
}

}  // namespace
}  // namespace rcon
