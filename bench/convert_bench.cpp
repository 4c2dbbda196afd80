// Code-page conversion of large texts that are all unreadable or unmappable characters, the
// worst case for the platform's converters: a time that grows with the input's square would
// show as a ratio far above 4 between the 4 MiB and the 1 MiB text. Built natively and for Windows.
//   convert_bench
#include <chrono>
#include <cstdio>
#include <string>

#include "rcon/codepage.h"

namespace {

// Seconds that one conversion of `text` takes, the best of three.
template <typename Convert>
double SecondsOf(const std::string& text, Convert convert) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const rcon::Text out = convert(text);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (out.empty()) std::printf("(empty result)\n");
    if (seconds < best) best = seconds;
  }
  return best;
}

std::string Repeated(const char* unit, std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += unit;
  return text;
}

}  // namespace

int main() {
  rcon::CodePageConverter gbk(rcon::ConsoleCodePage::kGbk);
  const struct {
    const char* what;
    const char* unit;
    bool to_utf8;
  } cases[] = {
      {"UTF-8 to GBK, U+1F600 (GBK lacks it)", "\xF0\x9F\x98\x80", false},
      {"UTF-8 to GBK, invalid bytes", "\xFF\xFE", false},
      {"GBK to UTF-8, invalid lead bytes", "\xFF\x81\x20", true},
      {"UTF-8 to GBK, Chinese (all readable)", "\xE4\xBD\xA0\xE5\xA5\xBD", false},
  };
  std::printf("| conversion | 1 MiB | 4 MiB | ratio (4 = linear) |\n|---|---|---|---|\n");
  for (const auto& c : cases) {
    auto convert = [&](const std::string& t) { return c.to_utf8 ? gbk.ToUtf8(t) : gbk.FromUtf8(t); };
    const double one = SecondsOf(Repeated(c.unit, 1 << 20), convert);
    const double four = SecondsOf(Repeated(c.unit, 4 << 20), convert);
    std::printf("| %s | %.3f s | %.3f s | %.1f |\n", c.what, one, four, four / one);
  }
  return 0;
}
