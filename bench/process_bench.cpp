// Whole-process figures for rcon-console against the demo server on loopback, each beside a
// floor measured in the same run: the minimal client doing the same work. Runs of the two
// programs alternate, so that both see the same machine; bench/run pins everything to one CPU.
// Given a BASELINE build of rcon-console (an earlier version), the cost per command on each
// server family is set beside that build's too.
//   process_bench RCON_CONSOLE MINIMAL_CLIENT DEMO_SERVER [REPEATS [BASELINE]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <type_traits>
#include <string>
#include <thread>
#include <vector>

#include "run_process.h"

namespace {

using rcon::support::ChildProcess;
using Clock = std::chrono::steady_clock;

struct Run {
  double seconds = 0;
  long long peak_rss_kb = 0;
  long long anonymous_kb = 0;
  long long pss_kb = 0;
};

std::string g_port;

// Starts a demo server of the family and gives its port; empty when it did not start.
std::string StartServer(std::vector<std::unique_ptr<ChildProcess>>& servers, const char* program, const char* family) {
  servers.push_back(std::make_unique<ChildProcess>(std::vector<std::string>{program, "--family", family, "0", "demo"},
                                                   std::vector<std::string>{}));
  if (!servers.back()->WaitForOutput("\n", 10000)) return {};
  return std::to_string(std::stoi(servers.back()->Output()));
}

// Runs a client on the input to its end, under the given locale. The time runs from its start
// to its exit. When `settle_ms` is given, the peak memory is read after that long, while the
// session is still open (the input is not closed yet).
Run RunClient(const std::string& program, const std::string& input, const std::string& locale, int settle_ms = 0,
              const std::string& port = g_port) {
  const auto start = Clock::now();
  ChildProcess child({program, "127.0.0.1", port, "demo"}, {"LC_ALL=" + locale});
  Run run;
  child.Write(input);
  if (settle_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(settle_ms));
    const auto stats = child.Stats();
    run.peak_rss_kb = stats.peak_rss_kb;
    run.anonymous_kb = stats.anonymous_kb;
    run.pss_kb = stats.pss_kb;
  }
  child.CloseInput();
  if (child.Wait(600000) != 0) std::fprintf(stderr, "%s did not end cleanly\n", program.c_str());
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return run;
}

// The medians of runs of both programs, taken in turn.
std::pair<Run, Run> Medians(int repeats, const std::function<Run(const std::string&)>& once, const std::string& ours,
                            const std::string& floor) {
  std::vector<Run> a, b;
  for (int i = 0; i < repeats; ++i) {
    a.push_back(once(ours));
    b.push_back(once(floor));
  }
  auto median = [](std::vector<Run> runs) {
    auto middle = [&](auto field) {
      std::vector<std::remove_cvref_t<decltype(runs[0].*field)>> values;
      for (const Run& r : runs) values.push_back(r.*field);
      std::sort(values.begin(), values.end());
      return values[values.size() / 2];
    };
    return Run{middle(&Run::seconds), middle(&Run::peak_rss_kb), middle(&Run::anonymous_kb), middle(&Run::pss_kb)};
  };
  return {median(a), median(b)};
}

std::string Repeated(const char* command, int n, bool numbered) {
  std::string input;
  for (int i = 0; i < n; ++i) {
    input += command;
    if (numbered) input.append(" ").append(std::to_string(i));
    input += '\n';
  }
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
  const std::string baseline = argc > 5 ? argv[5] : "";
  std::vector<std::unique_ptr<ChildProcess>> servers;
  g_port = StartServer(servers, argv[3], "minecraft");
  if (g_port.empty()) return 1;
  const std::string gbk = "zh_CN.GBK", utf8 = "C.UTF-8", zh_utf8 = "zh_CN.UTF-8";

  constexpr int kBatch = 20000;
  const std::string batch = Repeated("echo", kBatch, true);
  const auto [batch_ours, batch_floor] =
      Medians(repeats, [&](const std::string& p) { return RunClient(p, batch, gbk); }, client, minimal);
  const auto [one_ours, one_floor] =
      Medians(repeats * 10, [&](const std::string& p) { return RunClient(p, "echo 1\n", gbk); }, client, minimal);
  const std::string chinese = Repeated("chinese", 2000, false);
  const auto [zh_ours, zh_floor] =
      Medians(repeats, [&](const std::string& p) { return RunClient(p, chinese, zh_utf8); }, client, minimal);
  // Long replies in one packet (Factorio's way), which the floor reads whole too.
  const std::string one_packet = StartServer(servers, argv[3], "factorio");
  const auto [big_ours, big_floor] = Medians(
      repeats, [&](const std::string& p) { return RunClient(p, "long 1048576\n", gbk, 0, one_packet); }, client, minimal);
  // A reply of 100,000 bytes as a Minecraft server sends it (25 packets, one write each, the
  // client finding the end with a probe) against the same reply in one packet: what the
  // splitting costs. The floor would stop at the first pause, so only rcon-console takes part.
  const auto [mc_split, mc_whole] = Medians(
      repeats * 4,
      [&](const std::string& p) { return RunClient(client, "long 100000\n", gbk, 0, p == client ? g_port : one_packet); },
      client, "one packet");
  const std::string normal = Repeated("echo", 100, true);
  std::vector<std::pair<std::string, std::pair<Run, Run>>> memory;
  for (const std::string& locale : {gbk, utf8, zh_utf8}) {
    memory.push_back(
        {locale, Medians(repeats, [&](const std::string& p) { return RunClient(p, normal, locale, 300); }, client, minimal)});
  }

  std::printf("| measure | rcon-console | floor: minimal client | ratio | target |\n|---|---|---|---|---|\n");
  Row("20000 piped commands", batch_ours.seconds * 1000, batch_floor.seconds * 1000, "ms", "<= 1.20x the floor");
  Row("per command", batch_ours.seconds * 1e6 / kBatch, batch_floor.seconds * 1e6 / kBatch, "us", "");
  Row("start to exit, one command", one_ours.seconds * 1000, one_floor.seconds * 1000, "ms", "");
  Row("2000 chinese commands, zh_CN.UTF-8", zh_ours.seconds * 1000, zh_floor.seconds * 1000, "ms", "");
  Row("1 MB reply in one packet, start to exit", big_ours.seconds * 1000, big_floor.seconds * 1000, "ms", "");
  Row("100,000-byte reply, Minecraft's 25 packets (floor column: one packet)", mc_split.seconds * 1000,
      mc_whole.seconds * 1000, "ms", "");
  for (const auto& [locale, runs] : memory) {
    const auto& [ours, floor] = runs;
    Row(("anonymous memory, 100-command session, " + locale).c_str(), static_cast<double>(ours.anonymous_kb),
        static_cast<double>(floor.anonymous_kb), "KiB", "the program's own (heap, stack, written data)");
    Row(("Pss, same session, " + locale).c_str(), static_cast<double>(ours.pss_kb), static_cast<double>(floor.pss_kb),
        "KiB", "its share of the pages it maps");
    Row(("peak RSS, same session, " + locale).c_str(), static_cast<double>(ours.peak_rss_kb) / 1024,
        static_cast<double>(floor.peak_rss_kb) / 1024, "MiB", "mostly pages shared with every process");
  }

  // Short replies on every family: the cost per command, beside the floor and the baseline build.
  constexpr int kFamilyBatch = 2000;
  const std::string short_replies = Repeated("echo", kFamilyBatch, true);
  std::printf("\n| family | rcon-console | floor | ratio |%s\n|---|---|---|---|%s\n",
              baseline.empty() ? "" : " baseline | ratio to baseline |", baseline.empty() ? "" : "---|---|");
  for (const char* family : {"minecraft", "source", "cuberite", "factorio", "palworld", "squad", "rust"}) {
    const std::string port = StartServer(servers, argv[3], family);
    auto once = [&](const std::string& p) { return RunClient(p, short_replies, gbk, 0, port); };
    const auto [ours, floor] = Medians(repeats, once, client, minimal);
    std::printf("| %s | %.2f us | %.2f us | %.2fx |", family, ours.seconds * 1e6 / kFamilyBatch,
                floor.seconds * 1e6 / kFamilyBatch, ours.seconds / floor.seconds);
    if (!baseline.empty()) {
      const auto [again, before] = Medians(repeats, once, client, baseline);
      std::printf(" %.2f us | %.3fx |", before.seconds * 1e6 / kFamilyBatch, again.seconds / before.seconds);
    }
    std::printf("\n");
  }
  return 0;
}
