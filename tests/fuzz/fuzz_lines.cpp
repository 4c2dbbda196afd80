// The console's line reading on any input, arriving in any pieces: the lines it yields, in
// pieces of at most 2048 bytes (prompts) or whole and cut (commands), must be those a simple
// model cuts from the whole input at once, a last line without a line end included.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/line_buffer.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Line {
  std::string bytes;
  std::size_t dropped;
  bool operator==(const Line&) const = default;
};

// The lines of the whole input, cut the plain way.
std::vector<Line> Model(std::string_view in, std::size_t limit, rcon::LineBuffer::Long how) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < in.size()) {
    const std::size_t lf = in.find('\n', pos);
    const std::size_t end = lf == std::string_view::npos ? in.size() : lf;  // the line without its LF
    if (how == rcon::LineBuffer::Long::kInPieces) {
      const std::size_t piece = lf != std::string_view::npos && lf - pos < limit ? lf + 1 - pos
                                                                                 : std::min(limit, in.size() - pos);
      lines.push_back({std::string(in.substr(pos, piece)), 0});
      pos += piece;
    } else if (end - pos < limit) {
      const std::size_t with_lf = lf == std::string_view::npos ? end : end + 1;
      lines.push_back({std::string(in.substr(pos, with_lf - pos)), 0});
      pos = with_lf;
    } else {
      lines.push_back({std::string(in.substr(pos, limit)), end - pos - limit});
      pos = lf == std::string_view::npos ? end : end + 1;
    }
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const bool prompt = provider.ConsumeBool();
  const auto how = prompt ? rcon::LineBuffer::Long::kInPieces : rcon::LineBuffer::Long::kCut;
  // The console's own limit, or a small one so that short inputs cross it too.
  const std::size_t limit = provider.ConsumeBool() ? rcon::kMaxLineBytes : provider.ConsumeIntegralInRange<std::size_t>(1, 9);
  std::size_t seed = provider.ConsumeIntegral<std::uint16_t>();
  const std::string input = provider.ConsumeRemainingBytesAsString();

  rcon::LineBuffer buffer;
  std::vector<Line> lines;
  for (std::size_t at = 0; at < input.size();) {
    seed = seed * 1103515245u + 12345u;  // piece lengths from 1 to 3000, chosen by the input
    const std::size_t n = 1 + (seed >> 16) % 3000;
    buffer.Feed(std::string_view(input).substr(at, n));
    at += n;
    while (const auto line = buffer.Next(limit, how)) lines.push_back({std::string(line->bytes), line->dropped});
  }
  if (const auto rest = buffer.Rest()) lines.push_back({std::string(rest->bytes), rest->dropped});
  Check(!buffer.Rest());
  Check(lines == Model(input, limit, how));

  // What the console makes of each line: never longer, never with a trailing control byte but
  // for a line that is nothing else, never past a zero byte.
  for (const Line& line : lines) {
    const rcon::Text text = rcon::TrimLineEnd(rcon::UpToZero(line.bytes));
    Check(text.size() <= line.bytes.size() && text.find('\0') == rcon::Text::npos);
    Check(text.size() <= 1 || static_cast<unsigned char>(text.back()) >= 0x20);
  }
  return 0;
}
