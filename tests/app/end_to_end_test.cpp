// The real rcon-console binary, run through pipes against the scripted server.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <regex>

#include "app/messages.h"
#include "demo_commands.h"
#include "run_process.h"
#include "rcon/packet.h"
#include "rcon/rcon_client.h"
#include "scripted_server.h"

namespace rcon {
namespace {

using support::LoginStyle;
using support::ProcessResult;
using support::ReceivedPacket;
using support::ScriptedServer;
using support::Session;
namespace m = messages;

const std::string kCrLf = "\r\n";

ProcessResult RunClient(const std::vector<std::string>& args, const std::string& input,
                        const std::string& environment = support::kGbkLocale, int limit_ms = 30000) {
  std::vector<std::string> argv{RCON_CONSOLE_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessResult r = support::RunProcess(argv, input, {environment}, limit_ms);
  r.out = support::FromTextModeOutput(r.out);  // what the program wrote, line ends as written
  return r;
}

std::string Line(std::string_view text) { return std::string(text) + kCrLf; }
std::string Line(const OwnText& text) { return Line(text.gbk); }

std::string Usage() {
  std::string out;
  for (const OwnText& line : m::kUsage) out += Line(line);
  return out + kCrLf;
}

const std::string kAllPrompts =
    Line(m::kPromptHost) + Line(m::kPromptPort) + Line(m::kPromptPassword) + Line(m::kPromptTimeout);

// Replaces every time stamp with "T", so whole outputs compare byte for byte.
std::string MaskStamps(const std::string& out) {
  static const std::regex stamp(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})");
  return std::regex_replace(out, stamp, "T");
}

std::string Connected() { return "[T" + std::string(m::kConnectedAfterStamp.gbk) + kCrLf + kCrLf; }
std::string Prompt() { return Line(m::kSeparator) + std::string(m::kCommandPrompt); }
std::string Block(const std::string& reply) { return "\r\n[T] \r\n" + reply + kCrLf; }

std::string Port(const ScriptedServer& s) { return std::to_string(s.Port()); }

TEST(EndToEndTest, NoArgumentsAsksWithoutUsage) {
  const ProcessResult r = RunClient({}, "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, Line(m::kPromptHost));  // input ended at the first prompt
  EXPECT_EQ(r.err, "");
}

TEST(EndToEndTest, UnusableArgumentsPrintTheUsageThenThePrompts) {
  const std::vector<std::vector<std::string>> cases = {
      {"a"},       {"a", "b"},          {"a", "1", "p", "4", "5"}, {"h", "80a", "p"}, {"h", "+80", "p"},
      {"h", " 80", "p"}, {"h", "", "p"}, {"h", "80", "p", "abc"},  {"h", "80", "p", "-1"}};
  for (const auto& args : cases) {
    const ProcessResult r = RunClient(args, "");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, Usage() + Line(m::kPromptHost)) << args.size() << " arguments, second " << args[1 % args.size()];
  }
}

TEST(EndToEndTest, PromptsRepeatSilentlyUntilTheAnswersAreUsable) {
  ScriptedServer server({});
  const std::string input = "127.0.0.1\nabc\n\n" + Port(server) + "\nsecret\n1.5\n-3\n\n";
  const ProcessResult r = RunClient({}, input);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(MaskStamps(r.out), Line(m::kPromptHost) + Line(m::kPromptPort) + Line(m::kPromptPort) +
                                   Line(m::kPromptPort) + Line(m::kPromptPassword) + Line(m::kPromptTimeout) +
                                   Line(m::kPromptTimeout) + Line(m::kPromptTimeout) + Connected() + Prompt());
}

TEST(EndToEndTest, EndOfInputAtAnyPromptEndsTheProgram) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"h\n", Line(m::kPromptHost) + Line(m::kPromptPort)},
      {"h\nx\n", Line(m::kPromptHost) + Line(m::kPromptPort) + Line(m::kPromptPort)},
      {"h\n1\n", Line(m::kPromptHost) + Line(m::kPromptPort) + Line(m::kPromptPassword)},
      {"h\n1\npw\n", kAllPrompts},
  };
  for (const auto& [input, output] : cases) {
    const ProcessResult r = RunClient({}, input, support::kGbkLocale, 5000);
    EXPECT_FALSE(r.timed_out) << input;
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, output) << input;
  }
}

TEST(EndToEndTest, TextModeOutputIsTheOnlyPlatformDifference) {
  const ProcessResult r = support::RunProcess({RCON_CONSOLE_PATH, "a", "b"}, "", {support::kGbkLocale}, 30000);
  EXPECT_EQ(r.out, support::AsTextModeOutput(Usage() + Line(m::kPromptHost)));
}

TEST(EndToEndTest, AUtf8LocaleOrNoneShowsTheTextsInUtf8) {
  if (!support::LocaleDrivesConsoleAndClock()) GTEST_SKIP() << "a Windows console shows code page 936 itself";
  // No locale at all (C, POSIX, or one that is not installed) is taken for UTF-8.
  for (const char* environment : {"LC_ALL=C.UTF-8", "LC_ALL=C", "LC_ALL=POSIX", "LC_ALL=xx_XX.nowhere"}) {
    const ProcessResult r = RunClient({"a", "b"}, "", environment);
    EXPECT_EQ(r.out.substr(0, 12), "\xE5\x8F\x82\xE6\x95\xB0\xE6\x9C\x89\xE8\xAF\xAF") << environment;  // 参数有误
    EXPECT_EQ(r.exit_code, 0);
  }
}

TEST(EndToEndTest, AUtf8LocaleCarriesEveryCharacterThroughPipesToo) {
  if (!support::LocaleDrivesConsoleAndClock()) GTEST_SKIP() << "a Windows console has its own code page";
  // Characters GBK lacks: Polish, an emoji, Hangul, German, Spanish, Danish.
  const std::string command = "kick \xC5\x81ukasz \xF0\x9F\x98\x80 \xED\x95\x9C \xC3\x9F \xC3\xB1 \xC3\xB8";
  ScriptedServer server({});
  const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret"}, command + "\n", "LC_ALL=C.UTF-8");
  const auto sent = server.ReceivedOfType(kCommandRequestType);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].body, command);
  EXPECT_NE(MaskStamps(r.out).find(Block(command)), std::string::npos);  // and back, in a pipe
}

TEST(EndToEndTest, ANonAsciiPasswordGetsInTypedOrAsAnArgument) {
  if (!support::LocaleDrivesConsoleAndClock()) GTEST_SKIP() << "a Windows console gives both in code page 936";
  const std::string utf8 = "\xE5\xAF\x86\xE7\xA0\x81";  // 密码 as a UTF-8 terminal gives it
  ScriptedServer server({.password = "\xC3\xDC\xC2\xEB"});  // the console's bytes: GBK
  const ProcessResult typed = RunClient({}, "127.0.0.1\n" + Port(server) + "\n" + utf8 + "\n\n", "LC_ALL=C.UTF-8");
  const ProcessResult argument = RunClient({"127.0.0.1", Port(server), utf8}, "", "LC_ALL=C.UTF-8");
  const std::string connected = "\xE6\x88\x90\xE5\x8A\x9F";  // 成功
  EXPECT_NE(typed.out.find(connected), std::string::npos);
  EXPECT_NE(argument.out.find(connected), std::string::npos);
}

TEST(EndToEndTest, WrongPasswordAndUnreachableServerWaitForEnter) {
  ScriptedServer server({});
  ProcessResult r = RunClient({"127.0.0.1", Port(server), "wrong"}, "ignored\nnever read\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, Line(m::kWrongPassword) + Line(m::kPressToEnd));

  ScriptedServer closing({LoginStyle::kCloseAtAccept});
  r = RunClient({"127.0.0.1", Port(closing), "secret"}, "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, Line(m::kUnreachable) + Line(m::kPressToEnd));
  r = RunClient({"", "1", "secret", "200"}, "\n");
  EXPECT_EQ(r.out, Line(m::kUnreachable) + Line(m::kPressToEnd));

  // A prefix-comparing server closes on a wrong password: the shorter form is not tried, so a
  // password wrong only in its last byte does not get in.
  ScriptedServer cuberite({LoginStyle::kCuberite});
  r = RunClient({"127.0.0.1", Port(cuberite), "secreX"}, "\n");
  EXPECT_EQ(r.out, Line(m::kUnreachable) + Line(m::kPressToEnd));
  EXPECT_EQ(cuberite.ReceivedOfType(kAuthRequestType).size(), 1u);
}

TEST(EndToEndTest, AnExchangeReadsByteForByte) {
  ScriptedServer server({});
  const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret"}, "list\n\n/say \xD6\xD0\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block("list") + Prompt() + Block("") + Prompt() +
                                   Block("say \xD6\xD0") + Prompt());
  const auto commands = server.ReceivedOfType(kCommandRequestType);
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[1].body, "");  // an empty line is sent as an empty command
  EXPECT_EQ(commands[2].body, "say \xE4\xB8\xAD");
}

TEST(EndToEndTest, ALastLineWithoutLineEndIsSentWhole) {
  const struct {
    std::string input;
    std::vector<std::string> sent;  // as the server received them, in UTF-8
    std::string last_shown;         // the last reply block, in the console's GBK
  } cases[] = {
      {"one\ntwo", {"one", "two"}, "two"},
      {"list\nsave-all", {"list", "save-all"}, "save-all"},
      {"a\nhello", {"a", "hello"}, "hello"},
      {"a\nxy", {"a", "xy"}, "xy"},
      {"say first\nsay second\nsay third", {"say first", "say second", "say third"}, "say third"},
      {"x\r\n\xD6\xD0\xCE\xC4", {"x", "\xE4\xB8\xAD\xE6\x96\x87"}, "\xD6\xD0\xCE\xC4"},
  };
  for (const auto& c : cases) {
    ScriptedServer server({});
    const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret"}, c.input);
    std::vector<std::string> sent;
    for (const ReceivedPacket& p : server.ReceivedOfType(kCommandRequestType)) sent.push_back(p.body);
    EXPECT_EQ(sent, c.sent) << c.input;
    const std::string out = MaskStamps(r.out);
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), Block(c.last_shown).size() + Prompt().size())),
              Block(c.last_shown) + Prompt())
        << c.input;
  }
}

// The text that stands for a command that is too long, as the console shows it in GBK.
std::string TooLong(std::size_t bytes) {
  const auto& t = m::kCommandTooLong;
  return std::string(t[0].gbk) + std::to_string(bytes) + std::string(t[1].gbk) + "4086" + std::string(t[2].gbk);
}

TEST(EndToEndTest, ALineIsOneCommandUpToWhatAPacketCarries) {
  ScriptedServer server({});
  const std::string input = std::string(3000, 'x') + "\n" + std::string(4086, 'y') + "\n" + std::string(4087, 'z') +
                            "\n" + std::string(100000, 'w') + "\n/" + std::string(4086, 'v') + "\nlist\n";
  const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret"}, input);
  std::vector<std::string> sent;
  for (const ReceivedPacket& p : server.ReceivedOfType(kCommandRequestType)) sent.push_back(p.body);
  EXPECT_EQ(sent, (std::vector<std::string>{std::string(3000, 'x'), std::string(4086, 'y'), std::string(4086, 'v'),
                                            "list"}));
  EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block(std::string(3000, 'x')) + Prompt() +
                                   Block(std::string(4086, 'y')) + Prompt() + Block(TooLong(4087)) + Prompt() +
                                   Block(TooLong(100000)) + Prompt() + Block(std::string(4086, 'v')) + Prompt() +
                                   Block("list") + Prompt());
}

TEST(EndToEndTest, TimeOutAndLostConnectionAreReportedAndTheLoopGoesOn) {
  auto server = std::make_unique<ScriptedServer>(ScriptedServer::Options{
      LoginStyle::kMinecraft, "secret", [](Session& s, const ReceivedPacket& r) {
        if (r.body != "mute" && r.body != "last") s.Reply(r, r.body);
      }});
  const std::string port = Port(*server);
  // The server goes away for good while the client waits for the reply to "last".
  std::thread stopper([&] {
    server->WaitUntil([&] { return server->ReceivedOfType(kCommandRequestType).size() >= 3; }, 20000);
    server->Stop();
  });
  const ProcessResult r = RunClient({"127.0.0.1", port, "secret", "1000"}, "mute\nok\nlast\nx\n");
  stopper.join();
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block(std::string(messages::kTimedOut.gbk)) + Prompt() + Block("ok") +
                                   Prompt() + Block(std::string(messages::kConnectionLost.gbk)) + Prompt() +
                                   Block(std::string(messages::kConnectionLost.gbk)) + Prompt());
  EXPECT_LT(r.seconds, 3.0);  // one time-out, and the lost connection found at once
}

TEST(EndToEndTest, EveryKindGetsWholeCommandsAndEachReplyInItsBlock) {
  const std::string chinese_gbk = "kick \xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7";         // kick 你好，世界
  const std::string chinese_utf8 = "kick \xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE4\xB8\x96\xE7\x95\x8C";
  for (const LoginStyle style : {LoginStyle::kMinecraft, LoginStyle::kSource, LoginStyle::kCuberite,
                                 LoginStyle::kOneTerminatorOnly, LoginStyle::kStrict}) {
    SCOPED_TRACE(static_cast<int>(style));
    ScriptedServer server({style});
    const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret"}, "help\nlist\n" + chinese_gbk + "\n\n");
    EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block("help") + Prompt() + Block("list") + Prompt() +
                                     Block(chinese_gbk) + Prompt() + Block("") + Prompt());
    std::vector<std::string> bodies;
    for (const ReceivedPacket& p : server.ReceivedOfType(kCommandRequestType)) bodies.push_back(p.body);
    EXPECT_EQ(bodies, (std::vector<std::string>{"help", "list", chinese_utf8, ""}));
  }
}

TEST(EndToEndTest, AnIpv6LoopbackAddressConnects) {
  ScriptedServer server({.ipv6 = true});
  const ProcessResult r = RunClient({"::1", Port(server), "secret"}, "list\n");
  EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block("list") + Prompt());
}

TEST(EndToEndTest, ALateReplyShowsWithTheNextCommandAndEveryLaterReplyStaysInStep) {
  std::atomic<bool> late_sent{false};
  ScriptedServer server({LoginStyle::kMinecraft, "secret", [&](Session& s, const ReceivedPacket& r) {
                           Session::Pause(r.body == "save-all" ? 700 : 30);
                           s.Reply(r, r.body);
                           if (r.body == "save-all") late_sent = true;
                         }});
  support::ChildProcess client({RCON_CONSOLE_PATH, "127.0.0.1", Port(server), "secret", "400"}, {support::kGbkLocale});
  ASSERT_TRUE(client.Write("save-all\n"));
  ASSERT_TRUE(client.WaitForOutput(std::string(messages::kTimedOut.gbk), 5000));
  ASSERT_TRUE(server.WaitUntil([&] { return late_sent.load(); }, 5000));
  std::string ten, expected = Block(std::string(messages::kTimedOut.gbk)) + Prompt() + Block("save-all\r\nc0") + Prompt();
  for (int i = 0; i < 10; ++i) ten += "c" + std::to_string(i) + "\n";
  for (int i = 1; i < 10; ++i) expected += Block("c" + std::to_string(i)) + Prompt();
  ASSERT_TRUE(client.Write(ten));
  client.CloseInput();
  EXPECT_EQ(client.Wait(10000), 0);
  EXPECT_EQ(MaskStamps(support::FromTextModeOutput(client.Output())), Connected() + Prompt() + expected);
}

TEST(EndToEndTest, APacketStillComingAtTheTimeOutComesLateButOneThatStallsIsShownAsItIs) {
  ScriptedServer server({LoginStyle::kMinecraft, "secret", [](Session& s, const ReceivedPacket& r) {
                           const std::string packet = support::ServerPacket(r.id, 0, "the whole reply");
                           if (r.body == "coming") {
                             s.SendDripped(packet, 3, 100);  // a piece every 100 ms, for 900 ms
                           } else if (r.body == "stalls") {
                             s.SendRaw(packet.substr(0, 17));  // then nothing more, as Palworld does
                           } else {
                             s.Reply(r, r.body + " on " + std::to_string(s.Index()));
                           }
                         }});
  // At the time-out (500 ms) bytes of "coming" still come: the time-out text, and the packet,
  // whole by 900 ms, is taken before "next" goes out.
  const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret", "500"}, "coming\nnext\nstalls\nafter\n");
  EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block(std::string(m::kTimedOut.gbk)) + Prompt() +
                                   Block("the whole reply\r\nnext on 1") + Prompt() + Block("the w") + Prompt() +
                                   Block("after on 2") + Prompt());
}

TEST(EndToEndTest, ARepairWhoseLoginFailsSendsNothingAndSaysSo) {
  auto first = std::make_unique<ScriptedServer>(ScriptedServer::Options{});
  const std::string port = Port(*first);
  support::ChildProcess client({RCON_CONSOLE_PATH, "127.0.0.1", port, "secret", "1000"}, {support::kGbkLocale});
  ASSERT_TRUE(client.Write("one\n"));
  ASSERT_TRUE(client.WaitForOutput("one\r", 5000));
  first.reset();  // the server comes back on the same port with another password
  ScriptedServer::Options changed;
  changed.password = "changed";
  changed.port = std::stoi(port);
  ScriptedServer second(changed);
  ASSERT_EQ(Port(second), port);
  ASSERT_TRUE(client.Write("two\nthree\n"));
  client.CloseInput();
  EXPECT_EQ(client.Wait(10000), 0);
  EXPECT_EQ(MaskStamps(support::FromTextModeOutput(client.Output())),
            Connected() + Prompt() + Block("one") + Prompt() + Block(std::string(messages::kConnectionLost.gbk)) + Prompt() +
                Block(std::string(messages::kConnectionLost.gbk)) + Prompt());
  EXPECT_TRUE(second.ReceivedOfType(kCommandRequestType).empty());  // nothing sent unauthenticated
  EXPECT_EQ(second.ReceivedOfType(kAuthRequestType).size(), 4u);    // each command tried the repair
}

TEST(EndToEndTest, TimeOutZeroMeansTheDefaultLikeNoTimeOut) {
  ScriptedServer server({LoginStyle::kMinecraft, "secret", [](Session& s, const ReceivedPacket& r) {
                           Session::Pause(800);  // longer than 500, well within the default 3000
                           s.Reply(r, r.body);
                         }});
  for (const auto& args : std::vector<std::vector<std::string>>{{"127.0.0.1", Port(server), "secret", "0"},
                                                                {"127.0.0.1", Port(server), "secret"}}) {
    const ProcessResult r = RunClient(args, "slow\n");
    EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block("slow") + Prompt());
  }
  const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret", "500"}, "slow\n");
  EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block(std::string(messages::kTimedOut.gbk)) + Prompt());
}

TEST(EndToEndTest, TwoThousandPipedCommandsAreAnsweredInOrder) {
  ScriptedServer server({});
  std::string input, expected = Connected();
  for (int i = 0; i < 2000; ++i) {
    input += "cmd " + std::to_string(i) + "\n";
    expected += Prompt() + Block("cmd " + std::to_string(i));
  }
  const ProcessResult r = RunClient({"127.0.0.1", Port(server), "secret"}, input, support::kGbkLocale, 120000);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(MaskStamps(r.out), expected + Prompt());
}

TEST(EndToEndTest, AnswersItsCommandsThroughTheClient) {
  ScriptedServer server({LoginStyle::kMinecraft, "demo", demo::DemoCommandScript});
  const ProcessResult r = RunClient({"127.0.0.1", Port(server), "demo"}, "echo hi\nchinese\nlong 10000\nnope\n");
  std::string long_reply;
  for (int i = 0; i < 10000; ++i) long_reply += static_cast<char>('a' + i % 26);
  EXPECT_EQ(MaskStamps(r.out), Connected() + Prompt() + Block("hi") + Prompt() +
                                   Block("\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7") + Prompt() +  // 你好，世界
                                   Block(long_reply) + Prompt() + Block("Unknown command. Type \"help\" for help.") +
                                   Prompt());
}

TEST(EndToEndTest, PipesGetTheRepliesBytesAsTheyAre) {
  // Away from a terminal nothing is shown differently: colour codes and control bytes arrive as
  // the server sent them, in the locale's encoding.
  ScriptedServer server({LoginStyle::kMinecraft, "demo", demo::DemoCommandScript});
  std::string colours_gbk = demo::ColoursReply();
  for (std::size_t at = colours_gbk.find("\xC2\xA7"); at != std::string::npos; at = colours_gbk.find("\xC2\xA7", at)) {
    colours_gbk.replace(at, 2, "\xA1\xEC");  // § in GBK
  }
  const ProcessResult gbk = RunClient({"127.0.0.1", Port(server), "demo"}, "colors\ncontrols\n");
  EXPECT_EQ(MaskStamps(gbk.out),
            Connected() + Prompt() + Block(colours_gbk) + Prompt() + Block(demo::ControlsReply()) + Prompt());
  if (!support::LocaleDrivesConsoleAndClock()) return;
  const ProcessResult utf8 = RunClient({"127.0.0.1", Port(server), "demo"}, "colors\ncontrols\n", "LC_ALL=C.UTF-8");
  EXPECT_NE(MaskStamps(utf8.out).find(Block(demo::ColoursReply())), std::string::npos);
  EXPECT_NE(MaskStamps(utf8.out).find(Block(demo::ControlsReply())), std::string::npos);
}

TEST(EndToEndTest, ATraceHoldsEveryPacketAndNeverThePassword) {
  ScriptedServer server({LoginStyle::kSource});
  const std::string trace = "trace-" + Port(server) + ".txt";
  std::remove(trace.c_str());
  const ProcessResult r = support::RunProcess({RCON_CONSOLE_PATH, "127.0.0.1", Port(server), "secret"}, "list\n",
                                              {support::kGbkLocale, "RCON_CONSOLE_TRACE=" + trace}, 30000);
  EXPECT_EQ(r.exit_code, 0);
  std::ifstream file(trace, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  file.close();
  std::remove(trace.c_str());
  for (const char* line : {
           R"(sent     size=16 id=0 type=3 body=6 "******" | 10 00 00 00 00 00 00 00 03 00 00 00 ** ** ** ** ** ** 00 00)",
           R"(received size=10 id=0 type=0 body=0 "" |)",                          // Source's empty packet first
           R"(received size=10 id=0 type=2 body=0 "" |)",                          // the login's reply
           R"(sent     size=14 id=0 type=2 body=4 "list" | 0e 00 00 00 00 00 00 00 02 00 00 00 6c 69 73 74 00 00)",
           R"(sent     size=10 id=1 type=0 body=0 "" |)",                          // the probe behind it
           R"(received size=14 id=0 type=0 body=4 "list" |)",
           R"(received size=10 id=1 type=0 body=0 "" | 0a 00 00 00 01 00 00 00 00 00 00 00 00 00)"}) {  // its answer
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  EXPECT_EQ(text.find("secret"), std::string::npos);
  EXPECT_EQ(text.find("73 65 63 72 65 74"), std::string::npos);
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} sent )")));
}

TEST(EndToEndTest, StartsPrintsItsPortAndAnswersOnBothLoopbacks) {
  const ProcessResult help = support::RunProcess({RCON_DEMO_SERVER_PATH, "--help"}, "", {}, 10000);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("usage: rcon-demo-server [--family NAME] [PORT [PASSWORD]]"), std::string::npos);
  support::ChildProcess server({RCON_DEMO_SERVER_PATH, "0"}, {});
  ASSERT_TRUE(server.WaitForOutput("\n", 10000));  // it runs until it is stopped
  const std::string port = std::to_string(std::stoi(server.Output()));
  for (const char* host : {"127.0.0.1", "::1"}) {
    const ProcessResult r = RunClient({host, port, "demo"}, "list\n");
    EXPECT_NE(MaskStamps(r.out).find(Block("There are 2 of a max of 20 players online: Alex, Steve")), std::string::npos)
        << host;
  }
}

}  // namespace
}  // namespace rcon
