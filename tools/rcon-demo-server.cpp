// A small RCON server on loopback for trying rcon-console without a game server.
//
//   rcon-demo-server [--family NAME] [PORT [PASSWORD]]
//
// It listens on 127.0.0.1 and ::1, prints the port it took, logs clients in the way the chosen
// family of game server does (Minecraft unless told), answers a few commands, and ends on
// Ctrl+C (SIGINT) or SIGTERM.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <thread>

#include "demo_commands.h"

namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnSignal(int) { g_stop = true; }

void PrintUsage(std::FILE* to) {
  std::fprintf(to,
               "usage: rcon-demo-server [--family NAME] [PORT [PASSWORD]]\n"
               "  A demo RCON server on 127.0.0.1 and ::1. PORT 0 or none: a free port, printed on the\n"
               "  first line. PASSWORD: \"demo\" unless given. --family: how it logs in, cuts its replies\n"
               "  and what it sends unasked, as one of these game servers does:\n   ");
  for (const rcon::support::ServerFamily& f : rcon::support::ServerFamilies()) std::fprintf(to, " %s", f.name);
  std::fprintf(to, "\n  (minecraft unless told). Its commands: type help once connected.\n");
}

}  // namespace

int main(int argc, char** argv) {
  rcon::support::ScriptedServer::Options options;
  options.password = "demo";
  options.script = rcon::demo::DemoCommandScript;
  options.family = rcon::support::FindServerFamily("minecraft");
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return 0;
    }
    if (arg == "--family" && i + 1 < argc) {
      options.family = rcon::support::FindServerFamily(argv[++i]);
      if (options.family == nullptr) {
        std::fprintf(stderr, "rcon-demo-server: no family %s\n", argv[i]);
        PrintUsage(stderr);
        return 2;
      }
    } else if (positional == 0 && !arg.empty() && arg[0] != '-') {
      options.port = std::atoi(argv[i]);
      ++positional;
    } else if (positional == 1 && !arg.empty() && arg[0] != '-') {
      options.password = argv[i];
      ++positional;
    } else {
      PrintUsage(stderr);
      return 2;
    }
  }
  rcon::support::ScriptedServer server(options);
  if (server.Port() == 0) {
    std::fprintf(stderr, "rcon-demo-server: cannot listen on 127.0.0.1:%d\n", options.port);
    return 1;
  }
  // The same port on ::1, where the system has IPv6.
  options.port = server.Port();
  options.ipv6 = true;
  const auto ipv6 = std::make_unique<rcon::support::ScriptedServer>(options);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("%d\n", server.Port());
  std::fflush(stdout);
  while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ipv6->Stop();
  server.Stop();
  return 0;
}
