// The real binary as scripts use it: options, one-shot commands, exit statuses, the password's
// sources and the servers file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "app/app.h"
#include "app/messages.h"
#include "demo_commands.h"
#include "rcon/codepage.h"
#include "rcon/packet.h"
#include "run_process.h"
#include "scripted_server.h"

namespace rcon {
namespace {

using support::LoginStyle;
using support::ProcessResult;
using support::ScriptedServer;
namespace m = messages;

ProcessResult RunClient(const std::vector<std::string>& args, const std::vector<std::string>& environment = {},
                  const std::string& input = "") {
  std::vector<std::string> argv{RCON_CONSOLE_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  // No servers file unless the test gives one: the user's own stays out of it.
  std::vector<std::string> env = environment;
  env.push_back(support::kGbkLocale);
  if (std::none_of(env.begin(), env.end(), [](const std::string& e) { return e.rfind("RCON_CONSOLE_SERVERS=", 0) == 0; })) {
    env.push_back("RCON_CONSOLE_SERVERS=no-such-file.toml");
  }
  ProcessResult r = support::RunProcess(argv, input, env, 30000);
  r.out = support::FromTextModeOutput(r.out);
  r.err = support::FromTextModeOutput(r.err);
  return r;
}

// Writes a file in the working folder, with the mode given where the system has file modes.
std::string WriteFile(const std::string& name, const std::string& text, int mode = 0600) {
  std::ofstream(name, std::ios::binary) << text;
  support::SetFileMode(name, mode);
  return name;
}

std::string Port(const ScriptedServer& s) { return std::to_string(s.Port()); }

TEST(ScriptsTest, HelpAndVersionAnswerWithoutAServer) {
  const ProcessResult help = RunClient({"--help"});
  EXPECT_EQ(help.exit_code, kExitOk);
  for (const char* option : {"-c, --command", "-s, --server", "--password-file", "-t, --timeout", "--raw", "--servers",
                             "-h, --help", "-V, --version"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(RunClient({"-h"}).out, help.out);
  const ProcessResult version = RunClient({"-V"});
  EXPECT_EQ(version.exit_code, kExitOk);
  EXPECT_EQ(version.out, "rcon-console " RCON_VERSION "\n");
  EXPECT_EQ(RunClient({"--version"}).out, version.out);
}

TEST(ScriptsTest, OneShotPrintsTheRepliesAloneAndExitsWithWhatHappened) {
  ScriptedServer server({LoginStyle::kMinecraft, "secret", [](support::Session& s, const support::ReceivedPacket& r) {
                           if (r.body == "slow") return;
                           if (r.body == "empty") return s.Reply(r, "");
                           demo::DemoCommandScript(s, r);
                         }});
  const std::string port = Port(server);
  const ProcessResult ok = RunClient({"-c", "list", "--command", "echo \xC4\xE3\xBA\xC3", "-c", "empty", "127.0.0.1", port,
                                "secret"});
  EXPECT_EQ(ok.exit_code, kExitOk);
  EXPECT_EQ(ok.out, "There are 2 of a max of 20 players online: Alex, Steve\n\xC4\xE3\xBA\xC3\n");  // 你好
  EXPECT_EQ(ok.err, "");
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {"unreachable", {"-c", "list", "127.0.0.1", "1", "secret"}, kExitUnreachable, std::string(m::kUnreachable.gbk)},
      {"wrong password", {"-c", "list", "127.0.0.1", port, "wrong"}, kExitWrongPassword,
       std::string(m::kWrongPassword.gbk)},
      {"a command that times out", {"-t", "300", "-c", "slow", "-c", "list", "127.0.0.1", port, "secret"},
       kExitUnanswered, std::string(m::kTimedOut.gbk)},
      {"an unknown option", {"-x", "127.0.0.1", port}, kExitUsage,
       std::string(m::kComplaintPrefix.gbk) + std::string(m::kUnknownOption.gbk) + "-x"},
      {"a port that is no number", {"-c", "list", "127.0.0.1", "port", "secret"}, kExitUsage,
       std::string(m::kComplaintPrefix.gbk) + std::string(m::kBadPort.gbk) + "port"},
  };
  for (const auto& c : cases) {
    const ProcessResult r = RunClient(c.args);
    EXPECT_EQ(r.exit_code, c.status) << c.what;
    EXPECT_EQ(r.err.substr(0, c.err.size() + 1), c.err + "\n") << c.what;
  }
}

TEST(ScriptsTest, ColourCodesGoInAPipeUnlessRaw) {
  ScriptedServer server({LoginStyle::kMinecraft, "secret", demo::DemoCommandScript});
  const ProcessResult plain = RunClient({"-c", "colors", "127.0.0.1", Port(server), "secret"});
  EXPECT_EQ(plain.out, "Green Red Blue Gold Bold Underlined Italic Struck and plain.\n");
  const ProcessResult raw = RunClient({"--raw", "-c", "colors", "127.0.0.1", Port(server), "secret"});
  EXPECT_EQ(raw.out, Utf8ToGbk(demo::ColoursReply()) + "\n");
}

TEST(ScriptsTest, ThePasswordComesFromTheFirstSourceThatHasOne) {
  ScriptedServer server({.password = "right"});
  const std::string port = Port(server);
  const std::string good = WriteFile("password-good.txt", "right\r\nsecond line\n");
  const std::string bad = WriteFile("password-bad.txt", "wrong\n");
  const std::string servers = WriteFile("servers-passwords.toml", "[with]\nhost = \"127.0.0.1\"\nport = " + port +
                                                                      "\npassword = \"right\"\n[without]\nhost = "
                                                                      "\"127.0.0.1\"\nport = " + port + "\n");
  const std::vector<std::string> env_right{"RCON_PASSWORD=right"}, env_wrong{"RCON_PASSWORD=wrong"};
  const std::vector<std::string> from_servers{"RCON_CONSOLE_SERVERS=" + servers};
  const struct {
    const char* what;
    std::vector<std::string> args, environment;
    std::string input;
    int status;
  } cases[] = {
      {"the argument, before the file", {"--password-file", bad, "-c", "list", "127.0.0.1", port, "right"}, {}, "",
       kExitOk},
      {"the file, before the environment", {"--password-file", good, "-c", "list", "127.0.0.1", port}, env_wrong, "",
       kExitOk},
      {"the servers file, before the environment", {"-s", "with", "-c", "list"}, from_servers, "", kExitOk},
      {"the environment", {"-s", "without", "-c", "list"}, {from_servers[0], env_right[0]}, "", kExitOk},
      {"the environment, wrong", {"-c", "list", "127.0.0.1", port}, env_wrong, "", kExitWrongPassword},
      {"the prompt, last", {"-c", "list", "127.0.0.1", port}, {}, "right\n", kExitOk},
  };
  for (const auto& c : cases) {
    const ProcessResult r = RunClient(c.args, c.environment, c.input);
    EXPECT_EQ(r.exit_code, c.status) << c.what << ": " << r.err;
  }
  // Without options, HOST PORT logs in with RCON_PASSWORD straight away.
  const ProcessResult classic = RunClient({"127.0.0.1", port}, env_right, "list\n");
  EXPECT_NE(classic.out.find(std::string(m::kConnectedAfterStamp.gbk)), std::string::npos);
  EXPECT_EQ(classic.exit_code, kExitOk);
  for (const std::string& file : {good, bad, servers}) std::remove(file.c_str());
}

TEST(ScriptsTest, APasswordFileOthersMayReadIsRefused) {
  if (!support::FileModesGuardFiles()) GTEST_SKIP() << "Windows guards files by their folders' access lists";
  ScriptedServer server({.password = "right"});
  const std::string open = WriteFile("password-open.txt", "right\n", 0644);
  const ProcessResult r = RunClient({"--password-file", open, "-c", "list", "127.0.0.1", Port(server)});
  EXPECT_EQ(r.exit_code, kExitUsage);
  EXPECT_NE(r.err.find(std::string(m::kPasswordFileOpen.gbk) + open), std::string::npos);
  EXPECT_TRUE(server.ReceivedOfType(kAuthRequestType).empty());
  std::remove(open.c_str());
}

TEST(ScriptsTest, SavedServersByNameAndWhatIsWrongInTheFile) {
  ScriptedServer first({.password = "one"});
  ScriptedServer second({.password = "two"});
  const std::string servers =
      WriteFile("servers-two.toml", "# two servers\n[survival]\nhost = \"127.0.0.1\"\nport = " + Port(first) +
                                        "\npassword = \"one\"\n\n[creative]\nhost = \"127.0.0.1\"\nport = " +
                                        Port(second) + "\npassword = \"two\"\ntimeout = 2000\n");
  const std::vector<std::string> env{"RCON_CONSOLE_SERVERS=" + servers};
  for (const auto& [name, server] : {std::pair{"survival", &first}, std::pair{"creative", &second}}) {
    const ProcessResult r = RunClient({"-s", name, "-c", "echo hi"}, env);
    EXPECT_EQ(r.exit_code, kExitOk) << name << ": " << r.err;
    EXPECT_EQ(r.out, "echo hi\n") << name;
    EXPECT_EQ(server->ReceivedOfType(kCommandRequestType).size(), 1u) << name;
  }
  const ProcessResult listed = RunClient({"--servers"}, env);
  EXPECT_EQ(listed.exit_code, kExitOk);
  EXPECT_EQ(listed.out, "survival  127.0.0.1:" + Port(first) + "\ncreative  127.0.0.1:" + Port(second) + "\n");
  EXPECT_EQ(listed.out.find("one"), std::string::npos);  // never a password

  const struct {
    const char* what;
    std::string text;
    std::string complaint;  // after the file's name
  } broken[] = {
      {"not TOML", "[a]\nhost = \"h\"\nport = \n", std::string(m::kAtLine[0].gbk) + "3" + std::string(m::kAtLine[1].gbk) +
                                                       std::string(m::kNotToml.gbk)},
      {"no port", "[a]\nhost = \"h\"\n\n[b]\nhost = \"h\"\n", std::string(m::kAtLine[0].gbk) + "1" +
                                                              std::string(m::kAtLine[1].gbk) +
                                                              std::string(m::kMissingPortKey.gbk) + "a"},
      {"a port out of range", "[a]\nhost = \"h\"\nport = 70000\n", std::string(m::kAtLine[0].gbk) + "3" +
                                                                    std::string(m::kAtLine[1].gbk) +
                                                                    std::string(m::kBadValue.gbk) + "port"},
  };
  for (const auto& b : broken) {
    const std::string file = WriteFile("servers-broken.toml", b.text);
    const ProcessResult r = RunClient({"-s", "a", "-c", "list"}, {"RCON_CONSOLE_SERVERS=" + file});
    EXPECT_EQ(r.exit_code, kExitUsage) << b.what;
    EXPECT_NE(r.err.find(file + b.complaint), std::string::npos) << b.what << ": " << r.err;
    std::remove(file.c_str());
  }
  const ProcessResult unknown = RunClient({"-s", "nether", "-c", "list"}, env);
  EXPECT_EQ(unknown.exit_code, kExitUsage);
  EXPECT_NE(unknown.err.find(std::string(m::kUnknownServer.gbk) + "nether"), std::string::npos);
  std::remove(servers.c_str());
}

}  // namespace
}  // namespace rcon
