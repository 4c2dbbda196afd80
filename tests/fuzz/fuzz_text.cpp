// The text primitives and the command-line splitter on any bytes.
#include <cstdlib>

#include "app/app.h"
#include "util/text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t length = static_cast<std::size_t>(rcon::TextLength(input));

  (void)rcon::ToInt(input);

  std::size_t total = 0;
  for (const rcon::Text& argument : rcon::SplitCommandLine(input)) total += argument.size();
  Check(total <= length);

  const rcon::Text without_lf = rcon::ReplaceText(input, "\n", "");
  Check(without_lf.size() <= length);
  Check(rcon::ReplaceText(without_lf, "\n", "") == without_lf);  // nothing left to remove
  Check(rcon::ReplaceText(input, "hh", "HH").size() <= length);

  const rcon::Text trimmed = rcon::TrimSpaces(input);
  Check(trimmed.size() <= length);
  Check(rcon::TrimSpaces(trimmed) == trimmed);
  return 0;
}
