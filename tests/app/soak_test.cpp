// A long session against the demo server: every reply right and in order, and neither memory
// nor open descriptors growing with the number of commands.
#include <gtest/gtest.h>

#include "run_process.h"

namespace rcon {
namespace {

using support::ChildProcess;

using support::ProcessStats;

std::string Commands(int from, int to) {
  std::string input;
  for (int i = from; i < to; ++i) input += "echo soak " + std::to_string(i) + "\n";
  return input;
}

TEST(SoakTest, TwentyThousandCommandsInOrderWithoutGrowth) {
  constexpr int kWarmUp = 1000;
  constexpr int kTotal = 20000;
  ChildProcess server({RCON_DEMO_SERVER_PATH, "0", "demo"}, {});
  ASSERT_TRUE(server.WaitForOutput("\n", 10000)) << server.Errors();
  const std::string port = std::to_string(std::stoi(server.Output()));

  ChildProcess client({RCON_CONSOLE_PATH, "127.0.0.1", port, "demo"}, {support::kGbkLocale});
  ASSERT_TRUE(client.Write(Commands(0, kWarmUp)));
  ASSERT_TRUE(client.WaitForOutput("soak " + std::to_string(kWarmUp - 1) + "\r", 60000));
  const ProcessStats start = client.Stats();
  ASSERT_TRUE(client.Write(Commands(kWarmUp, kTotal)));
  ASSERT_TRUE(client.WaitForOutput("soak " + std::to_string(kTotal - 1) + "\r", 300000));
  const ProcessStats end = client.Stats();
  client.CloseInput();
  EXPECT_EQ(client.Wait(10000), 0);

  const std::string out = support::FromTextModeOutput(client.Output());
  std::size_t at = 0;
  for (int i = 0; i < kTotal; ++i) {
    const std::string block = "] \r\nsoak " + std::to_string(i) + "\r\n----------------\r\n> ";
    at = out.find(block, at);
    ASSERT_NE(at, std::string::npos) << "reply " << i << " missing or out of order";
    at += block.size();
  }
  EXPECT_EQ(at, out.size());

  RecordProperty("peak_rss_kb_start", static_cast<int>(start.peak_rss_kb));
  RecordProperty("peak_rss_kb_end", static_cast<int>(end.peak_rss_kb));
  std::printf("peak RSS %lld kB after %d commands, %lld kB after %d; open handles %d, then %d\n",
              static_cast<long long>(start.peak_rss_kb), kWarmUp, static_cast<long long>(end.peak_rss_kb), kTotal,
              start.open_handles, end.open_handles);
  // Generous: no growth with the command count.
  if (support::kMemoryFiguresHold) {
    EXPECT_LE(end.peak_rss_kb, start.peak_rss_kb + 1024);
  }
  EXPECT_LE(end.open_handles, start.open_handles);
  server.CloseInput();
}

}  // namespace
}  // namespace rcon
