// Whole-process figures for rcon-console against the demo server on loopback, each beside a
// floor measured in the same run: the minimal client doing the same work.
//   process_bench RCON_CONSOLE MINIMAL_CLIENT DEMO_SERVER [REPEATS]
#include <algorithm>
#include <functional>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "run_process.h"

namespace {

using rcon::testing::ChildProcess;
using Clock = std::chrono::steady_clock;

struct Run {
  double seconds = 0;
  long long peak_rss_kb = 0;
};

std::string g_port;

// Runs a client on the input to its end. When `ready` is given, the time is to its first
// appearance in the output. When `settle_ms` is given, the peak memory is read after that long,
// while the session is still open (the input is not closed yet).
Run RunClient(const std::string& program, const std::string& input, const std::string& ready = {},
              int settle_ms = 0) {
  const auto start = Clock::now();
  ChildProcess child({program, "127.0.0.1", g_port, "demo"}, {"LC_ALL=zh_CN.GBK"});
  Run run;
  if (!ready.empty()) {
    child.WaitForOutput(ready, 10000);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  child.Write(input);
  if (settle_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(settle_ms));
    run.peak_rss_kb = child.Stats().peak_rss_kb;
  }
  child.CloseInput();
  if (child.Wait(600000) != 0) std::fprintf(stderr, "%s did not end cleanly\n", program.c_str());
  if (ready.empty()) run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return run;
}

// The median of several runs (time and memory each).
Run Median(int repeats, const std::function<Run()>& once) {
  std::vector<double> times;
  std::vector<long long> rss;
  for (int i = 0; i < repeats; ++i) {
    const Run r = once();
    times.push_back(r.seconds);
    rss.push_back(r.peak_rss_kb);
  }
  std::sort(times.begin(), times.end());
  std::sort(rss.begin(), rss.end());
  return Run{times[times.size() / 2], rss[rss.size() / 2]};
}

std::string Echoes(int n) {
  std::string input;
  for (int i = 0; i < n; ++i) input += "echo " + std::to_string(i) + "\n";
  return input;
}

void Row(const char* what, double ours, double floor, const char* unit, const char* target) {
  std::printf("| %s | %.2f %s | %.2f %s | %.2fx | %s |\n", what, ours, unit, floor, unit, ours / floor, target);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: process_bench RCON_CONSOLE MINIMAL_CLIENT DEMO_SERVER [REPEATS]\n");
    return 2;
  }
  const std::string client = argv[1], minimal = argv[2];
  const int repeats = argc > 4 ? std::atoi(argv[4]) : 5;
  ChildProcess server({argv[3], "0", "demo"}, {});
  if (!server.WaitForOutput("\n", 10000)) return 1;
  g_port = std::to_string(std::stoi(server.Output()));

  constexpr int kBatch = 20000;
  const std::string batch = Echoes(kBatch);
  const Run batch_ours = Median(repeats, [&] { return RunClient(client, batch); });
  const Run batch_floor = Median(repeats, [&] { return RunClient(minimal, batch); });
  const Run start_ours = Median(repeats * 4, [&] { return RunClient(client, "", "> "); });
  const Run start_floor = Median(repeats * 4, [&] { return RunClient(minimal, "", "ready"); });
  const std::string big = "long 1048576\n";
  const Run big_ours = Median(repeats, [&] { return RunClient(client, big); });
  const Run big_floor = Median(repeats, [&] { return RunClient(minimal, big); });
  const std::string normal = Echoes(100);
  const Run rss_ours = Median(repeats, [&] { return RunClient(client, normal, {}, 500); });
  const Run rss_floor = Median(repeats, [&] { return RunClient(minimal, normal, {}, 500); });

  std::printf("| measure | rcon-console | floor: minimal client | ratio | target |\n|---|---|---|---|---|\n");
  Row("20000 piped commands", batch_ours.seconds * 1000, batch_floor.seconds * 1000, "ms", "within 1.5x");
  Row("per command", batch_ours.seconds * 1e6 / kBatch, batch_floor.seconds * 1e6 / kBatch, "us", "");
  Row("start to first prompt (incl. connect and login)", start_ours.seconds * 1000, start_floor.seconds * 1000, "ms",
      "under 5 ms");
  Row("1 MB reply, start to end", big_ours.seconds * 1000, big_floor.seconds * 1000, "ms", "");
  Row("peak RSS, 100-command session", static_cast<double>(rss_ours.peak_rss_kb) / 1024,
      static_cast<double>(rss_floor.peak_rss_kb) / 1024, "MiB", "under 2 MiB");
  server.CloseInput();
  return 0;
}
