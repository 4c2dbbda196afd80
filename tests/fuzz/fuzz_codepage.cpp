// Both code-page conversions on any bytes: UTF-8 output is well formed, GBK output is stable
// (converting it to UTF-8 and back gives it again), and a converter kept open across texts, as
// the program keeps it, gives what a fresh one gives.
#include <cstdlib>

#include "rcon/codepage.h"
#include "rcon/codepage_platform.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool WellFormedUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    bool valid = false;
    i += rcon::codepage_platform::Utf8SequenceAt(s, i, valid);
    if (!valid) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static rcon::CodePageConverter kept;  // lives across inputs, as the client's does across replies
  const std::string input(reinterpret_cast<const char*>(data), size);
  const rcon::Text utf8 = kept.ToUtf8(input);
  Check(WellFormedUtf8(utf8));
  Check(utf8.find('\0') == std::string::npos);
  Check(utf8 == rcon::GbkToUtf8(input));
  const rcon::Text gbk = kept.FromUtf8(input);
  Check(gbk.find('\0') == std::string::npos);
  Check(gbk == rcon::Utf8ToGbk(input));
  Check(kept.FromUtf8(kept.ToUtf8(gbk)) == gbk);
  return 0;
}
