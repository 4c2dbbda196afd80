// Measuring how long a call takes, on the client's own tick counter.
#pragma once

#include <cstdint>

#include "util/clock.h"

namespace rcon::support {

// Milliseconds that `f` takes.
template <typename F>
std::int64_t MillisecondsOf(F&& f) {
  const std::int32_t start = TickCount();
  f();
  return TicksBetween(start, TickCount());
}

}  // namespace rcon::support
