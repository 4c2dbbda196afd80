// The real client as a POSIX process: signals at the hidden password prompt, standard
// descriptors closed at start, and the password argument kept from other users.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "rcon/packet.h"
#include "run_process.h"
#include "scripted_server.h"

extern char** environ;

namespace rcon {
namespace {

using support::ScriptedServer;

// The client with a pseudo-terminal as its standard input, output and error.
class TerminalClient {
 public:
  explicit TerminalClient(const std::vector<std::string>& args, std::vector<std::string> environment = {}) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd <= 2; ++fd) posix_spawn_file_actions_adddup2(&actions, slave_, fd);
    std::vector<std::string> argv{RCON_CONSOLE_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    environment.push_back(support::kGbkLocale);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, pointers[0], &actions, nullptr, pointers.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~TerminalClient() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }

  pid_t pid() const { return pid_; }
  // What the client wrote so far (standard output and standard error both).
  const std::string& Output() const { return out_; }
  // Waits until what the client wrote holds `needle` `count` times, within five seconds.
  bool WaitForOutput(std::string_view needle, std::size_t count = 1) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      std::size_t found = 0;
      for (std::size_t at = out_.find(needle); at != std::string::npos; at = out_.find(needle, at + 1)) ++found;
      if (found >= count) return true;
      pollfd p{master_, POLLIN, 0};
      if (std::chrono::steady_clock::now() >= deadline || poll(&p, 1, 50) < 0) return false;
      char block[4096];
      const ssize_t n = (p.revents & POLLIN) != 0 ? read(master_, block, sizeof block) : 0;
      if (n > 0) out_.append(block, static_cast<std::size_t>(n));
    }
  }
  // Types on the terminal's keyboard.
  void Type(std::string_view keys) { (void)!write(master_, keys.data(), keys.size()); }
  // Tells whether the terminal echoes what is typed.
  bool Echoes() const {
    termios t{};
    return tcgetattr(slave_, &t) == 0 && (t.c_lflag & ECHO) != 0;
  }
  // Waits for the client to end: the signal that ended it, or 0 when it exited or did not end in time.
  int EndingSignal() {
    for (int i = 0; i < 500; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
      }
      usleep(10000);
    }
    return 0;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  pid_t pid_ = -1;
  std::string out_;
};

TEST(ProcessPosixTest, ASignalAtThePasswordPromptLeavesTheTerminalEchoing) {
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);  // SIGQUIT would leave a core file behind
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    SCOPED_TRACE(strsignal(signal_number));
    TerminalClient client({});
    ASSERT_GT(client.pid(), 0);
    ASSERT_TRUE(client.WaitForOutput("Rcon", 1));  // the host prompt
    client.Type("127.0.0.1\n");
    ASSERT_TRUE(client.WaitForOutput("Rcon", 2));  // the port prompt
    client.Type("1\n");
    ASSERT_TRUE(client.WaitForOutput("Rcon", 3));  // the password prompt, read without echo
    for (int i = 0; i < 200 && client.Echoes(); ++i) usleep(5000);
    ASSERT_FALSE(client.Echoes());
    kill(client.pid(), signal_number);
    EXPECT_EQ(client.EndingSignal(), signal_number);  // the signal still ends it, as before
    EXPECT_TRUE(client.Echoes());
  }
}

TEST(ProcessPosixTest, ThePasswordArgumentIsNotShownToOtherUsers) {
  ScriptedServer server({.password = "hunter2"});
  TerminalClient client({"127.0.0.1", std::to_string(server.Port()), "hunter2"});
  ASSERT_TRUE(client.WaitForOutput("> "));
  std::ifstream file("/proc/" + std::to_string(client.pid()) + "/cmdline");
  const std::string command_line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(command_line.find(std::to_string(server.Port())), std::string::npos);
  EXPECT_EQ(command_line.find("hunter2"), std::string::npos);
}

TEST(ProcessPosixTest, ClosedStandardDescriptorsNeverCarryTheConnection) {
  const struct {
    const char* redirection;
    std::string input;
    std::vector<std::string> commands;  // what the server must receive, and nothing else
  } cases[] = {
      {"<&-", "", {}},                 // no input: the end of it, at once
      {">&-", "list\n", {"list"}},     // the texts go nowhere, not into the connection
      {"2>&-", "list\n", {"list"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.redirection);
    ScriptedServer server({});
    const std::string script = std::string("exec \"$0\" 127.0.0.1 ") + std::to_string(server.Port()) + " secret " +
                               c.redirection;
    const support::ProcessResult r = support::RunProcess({"/bin/sh", "-c", script, RCON_CONSOLE_PATH}, c.input,
                                                         {support::kGbkLocale}, 10000);
    EXPECT_EQ(r.exit_code, 0);
    std::vector<std::string> commands;
    for (const support::ReceivedPacket& p : server.Received()) {
      if (p.type == kCommandRequestType) commands.push_back(p.body);
    }
    EXPECT_EQ(commands, c.commands);
    EXPECT_EQ(server.Received().size(), c.commands.size() + 1);  // and the login: no stray packet
  }
}

TEST(ProcessPosixTest, ATraceFileIsTheUsersAlone) {
  ScriptedServer server({});
  const std::string trace = "/tmp/rcon-trace-" + std::to_string(getpid());
  support::RunProcess({RCON_CONSOLE_PATH, "127.0.0.1", std::to_string(server.Port()), "secret"}, "list\n",
                      {support::kGbkLocale, "RCON_CONSOLE_TRACE=" + trace}, 10000);
  struct stat info {};
  ASSERT_EQ(stat(trace.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  unlink(trace.c_str());
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

TEST(ProcessPosixTest, AHistoryPathThatIsNoHistoryFileIsLeftAlone) {
  char folder_template[] = "/tmp/rcon-history-XXXXXX";
  const std::string folder = mkdtemp(folder_template);
  const std::string decoy = folder + "/passwd", decoy_text = "root:x:0:0:root:/root:/bin/bash\n";
  std::ofstream(decoy) << decoy_text;
  chmod(decoy.c_str(), 0644);
  const std::string link = folder + "/link", fifo = folder + "/fifo", fresh = folder + "/state/history";
  ASSERT_EQ(symlink(decoy.c_str(), link.c_str()), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string not_regular = "\xC6\xD5\xCD\xA8\xCE\xC4\xBC\xFE";  // 普通文件 (a regular file)
  const std::string not_history = "\xC0\xFA\xCA\xB7\xCE\xC4\xBC\xFE";  // 历史文件 (a history file)
  const struct {
    std::string path, message;
  } cases[] = {{link, not_regular}, {fifo, not_regular}, {folder, not_regular}, {decoy, not_history}, {fresh, ""}};
  ScriptedServer server({});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto start = std::chrono::steady_clock::now();
    TerminalClient client({"127.0.0.1", std::to_string(server.Port()), "secret"}, {"RCON_CONSOLE_HISTORY=" + c.path});
    ASSERT_TRUE(client.WaitForOutput("> "));  // no hang on a FIFO
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    client.Type("echo kept\n");
    ASSERT_TRUE(client.WaitForOutput("echo kept", 2));  // typed, then echoed back: the session works
    ASSERT_TRUE(client.WaitForOutput("> ", 2));         // and the next prompt: the line is in the history
    if (c.message.empty()) {
      EXPECT_EQ(client.Output().find(not_regular), std::string::npos);
      EXPECT_EQ(client.Output().find(not_history), std::string::npos);
      continue;
    }
    const std::string said = client.Output().substr(0, client.Output().find('\n'));  // the first line
    EXPECT_NE(said.find(c.message), std::string::npos) << said;
    EXPECT_NE(said.find("\xA3\xBA" + c.path + "\r"), std::string::npos) << said;  // after "：", the path
  }
  struct stat info {};
  EXPECT_EQ(FileText(decoy), decoy_text);
  ASSERT_EQ(stat(decoy.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  ASSERT_EQ(lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  // A path with no file yet gets one, for the user alone, holding the line.
  EXPECT_NE(FileText(fresh).find("echo\\040kept"), std::string::npos) << FileText(fresh);
  ASSERT_EQ(stat(fresh.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::system(("rm -rf " + folder).c_str());
}

// A DNS server on 127.0.0.1:53 for the names of one test: "late" names are answered after
// `delay_ms` with 127.0.0.1 (and no IPv6 address), every other name never.
class TestResolver {
 public:
  explicit TestResolver(int delay_ms) : delay_ms_(delay_ms) {
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(53);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket_ < 0 || bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return;
    ready_ = true;
    thread_ = std::thread([this] { Serve(); });
  }
  ~TestResolver() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (socket_ >= 0) close(socket_);
  }
  bool Ready() const { return ready_; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{socket_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      // The A and AAAA questions come together: both are taken, then answered on time.
      const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms_);
      std::vector<std::pair<std::string, sockaddr_in>> answers;
      char query[512];
      sockaddr_in from{};
      socklen_t from_length = sizeof from;
      ssize_t n;
      while ((n = recvfrom(socket_, query, sizeof query, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
                           &from_length)) >= 17) {
        std::size_t end = 12;  // past the question's name, type and class
        while (end < static_cast<std::size_t>(n) && query[end] != 0) end += 1 + static_cast<unsigned char>(query[end]);
        end += 5;
        if (end > static_cast<std::size_t>(n) || std::string_view(query + 13, 4) != "late") continue;
        const bool ipv4 = query[end - 3] == 1;  // asked for an A record
        std::string answer(query, end);
        answer[2] = '\x81';  // a response, recursion desired and available, no error
        answer[3] = '\x80';
        answer.replace(6, 6, std::string{0, static_cast<char>(ipv4 ? 1 : 0), 0, 0, 0, 0});
        if (ipv4) answer += std::string("\xC0\x0C\0\x01\0\x01\0\0\0\x3C\0\x04\x7F\0\0\x01", 16);
        answers.emplace_back(answer, from);
      }
      std::this_thread::sleep_until(due);
      for (const auto& [answer, to] : answers) {
        sendto(socket_, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
      }
    }
  }

  int delay_ms_;
  int socket_ = -1;
  bool ready_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Runs the client with its own /etc/hosts and /etc/resolv.conf (a private mount namespace), so
// that its names go to the test's resolver. Nothing when such a namespace cannot be made here.
std::optional<support::ProcessResult> RunWithNames(const std::string& hosts, const std::vector<std::string>& args) {
  char folder_template[] = "/tmp/rcon-names-XXXXXX";
  const std::string folder = mkdtemp(folder_template);
  std::ofstream(folder + "/hosts") << hosts;
  std::ofstream(folder + "/resolv.conf") << "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n";
  std::vector<std::string> argv{"/usr/bin/unshare", "-m", "/bin/sh", "-c",
                                "mount --bind \"$1\" /etc/hosts && mount --bind \"$2\" /etc/resolv.conf && shift 2 && "
                                "exec \"$@\"",
                                "sh", folder + "/hosts", folder + "/resolv.conf", RCON_CONSOLE_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  support::ProcessResult r = support::RunProcess(argv, "", {support::kGbkLocale}, 20000);
  std::system(("rm -rf " + folder).c_str());
  if (r.exit_code != 0 && r.out.empty()) {  // unshare or mount refused
    std::fprintf(stderr, "%s", r.err.c_str());
    return std::nullopt;
  }
  return r;
}

TEST(ProcessPosixTest, NameLookupsAndEveryAddressFitTheTimeOut) {
  TestResolver resolver(500);
  if (!resolver.Ready()) GTEST_SKIP() << "no UDP port 53 on 127.0.0.1 here";
  ScriptedServer v4({});
  ScriptedServer v6({.ipv6 = true});
  // Nothing listens on 127.0.0.1 at the IPv6 server's port: a socket bound there and never
  // listening refuses every connection, and keeps any other test from taking the port.
  const int blocker = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<std::uint16_t>(v6.Port()));
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
  const std::string hosts = "127.0.0.1 localhost\n127.0.0.1 two.test\n::1 two.test\n";
  const std::string connected = "\xB3\xC9\xB9\xA6";  // 成功 (connected)
  const struct {
    const char* what;
    std::string host;
    int port;
    int timeout_ms;
    bool connects;
    double most_seconds;
  } cases[] = {
      {"a resolver that never answers", "silent.test", v4.Port(), 1000, false, 1.2},
      {"an answer later than the time-out", "late.test", v4.Port(), 300, false, 0.5},
      {"an answer within the time-out", "late.test", v4.Port(), 2000, true, 1.5},
      {"two addresses, the first refusing", "two.test", v6.Port(), 1000, true, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto r = RunWithNames(hosts, {c.host, std::to_string(c.port), "secret", std::to_string(c.timeout_ms)});
    if (!r) GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(r->out.find(connected) != std::string::npos, c.connects) << r->out;
    EXPECT_LT(r->seconds, c.most_seconds);
  }
  close(blocker);
}

}  // namespace
}  // namespace rcon
