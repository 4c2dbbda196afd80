// The codec and the text primitives, measured with Google Benchmark.
#include <benchmark/benchmark.h>

#include "rcon/codepage.h"
#include "rcon/packet.h"
#include "util/text.h"
#include "util/timestamp.h"

namespace {

std::string Packets(std::size_t total, std::size_t piece) {
  std::string out;
  for (std::size_t at = 0; at < total; at += piece) {
    const std::string body(std::min(piece, total - at), 'x');
    out += rcon::BuildPacket(0, 0, body, 2);
  }
  return out;
}

void BM_BuildCommandPacket(benchmark::State& state) {
  const std::string command(static_cast<std::size_t>(state.range(0)), 'c');
  for (auto _ : state) benchmark::DoNotOptimize(rcon::BuildCommandPacket(command, 1));
}
BENCHMARK(BM_BuildCommandPacket)->Arg(16)->Arg(2048);

void BM_ReplyReader(benchmark::State& state) {
  const std::string stream = Packets(static_cast<std::size_t>(state.range(0)), 4096);
  for (auto _ : state) {
    rcon::ServerStream connection;
    rcon::ReplyReader reader(connection);
    reader.CommandSent();
    for (std::size_t at = 0; at < stream.size(); at += 20480) reader.Feed(std::string_view(stream).substr(at, 20480));
    benchmark::DoNotOptimize(reader.TakeReply());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ReplyReader)->Arg(64)->Arg(4096)->Arg(1 << 20);

void BM_Utf8ToGbk(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) text += "\xE4\xBD\xA0\xE5\xA5\xBD, world ";
  for (auto _ : state) benchmark::DoNotOptimize(rcon::Utf8ToGbk(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Utf8ToGbk)->Arg(64)->Arg(1 << 20);

void BM_GbkToUtf8(benchmark::State& state) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(state.range(0))) text += "\xC4\xE3\xBA\xC3, world ";
  for (auto _ : state) benchmark::DoNotOptimize(rcon::GbkToUtf8(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_GbkToUtf8)->Arg(64)->Arg(2048);

// The demo's "chinese" reply (你好，世界) converted the way the client does it, with its converter
// kept open across replies (1), against opening and closing one for each reply (0).
void BM_ChineseReplyConverter(benchmark::State& state) {
  const std::string reply = "\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE4\xB8\x96\xE7\x95\x8C";
  rcon::CodePageConverter kept;
  for (auto _ : state) {
    if (state.range(0) == 1) {
      benchmark::DoNotOptimize(kept.FromUtf8(reply));
    } else {
      benchmark::DoNotOptimize(rcon::CodePageConverter().FromUtf8(reply));
    }
  }
}
BENCHMARK(BM_ChineseReplyConverter)->Arg(0)->Arg(1);

void BM_ToInt(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rcon::ToInt(std::string_view("  \xA3\xB1" "25575")));
}
BENCHMARK(BM_ToInt);

void BM_RemoveLineFeeds(benchmark::State& state) {
  const std::string line(2047, 'a');
  for (auto _ : state) benchmark::DoNotOptimize(rcon::ReplaceText(line + "\n", "\n", ""));
}
BENCHMARK(BM_RemoveLineFeeds);

void BM_FormatTimestamp(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rcon::FormatTimestamp(std::nullopt, 1, 0));
}
BENCHMARK(BM_FormatTimestamp);

}  // namespace

BENCHMARK_MAIN();
