// A small RCON server on 127.0.0.1 for trying rcon-console without a game server.
//
//   rcon-demo-server [PORT [PASSWORD]]     (port 0 or none: a free port; password "demo")
//
// It prints the port it took, logs clients in the way Minecraft servers do, answers a few
// commands, and ends on Ctrl+C (SIGINT) or SIGTERM.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "demo_commands.h"

namespace {

std::atomic<bool> g_stop{false};

extern "C" void OnSignal(int) { g_stop = true; }

}  // namespace

int main(int argc, char** argv) {
  rcon::support::ScriptedServer::Options options;
  options.port = argc > 1 ? std::atoi(argv[1]) : 0;
  options.password = argc > 2 ? argv[2] : "demo";
  options.script = rcon::demo::DemoCommandScript;
  rcon::support::ScriptedServer server(options);
  if (server.Port() == 0) {
    std::fprintf(stderr, "rcon-demo-server: cannot listen on 127.0.0.1:%d\n", options.port);
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("%d\n", server.Port());
  std::fflush(stdout);
  while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  server.Stop();
  return 0;
}
