// Both code-page conversions on any bytes: UTF-8 output is well formed, and GBK output is
// stable (converting it to UTF-8 and back gives it again).
#include <cstdlib>

#include "rcon/codepage.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool WellFormedUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    bool valid = false;
    i += rcon::Utf8SequenceAt(s, i, valid);
    if (!valid) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const rcon::Text utf8 = rcon::GbkToUtf8(input);
  Check(WellFormedUtf8(utf8));
  Check(utf8.find('\0') == std::string::npos);
  const rcon::Text gbk = rcon::Utf8ToGbk(input);
  Check(gbk.find('\0') == std::string::npos);
  Check(rcon::Utf8ToGbk(rcon::GbkToUtf8(gbk)) == gbk);
  return 0;
}
