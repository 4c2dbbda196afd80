#include <langinfo.h>

#include <string_view>

#include "util/timestamp.h"

namespace rcon {

int UsesTwentyFourHourClock() {
  // The locale's time format says which clock it shows: %I, %l and %r are 12-hour hours.
  const char* format = nl_langinfo(T_FMT);
  if (format == nullptr) return 0;
  const std::string_view f(format);
  for (std::size_t i = 0; i + 1 < f.size(); ++i) {
    if (f[i] != '%') continue;
    std::size_t j = i + 1;
    if (f[j] == 'E' || f[j] == 'O') ++j;  // modifiers before the conversion letter
    if (j < f.size() && (f[j] == 'I' || f[j] == 'l' || f[j] == 'r')) return 0;
    i = j;
  }
  return 1;
}

}  // namespace rcon
