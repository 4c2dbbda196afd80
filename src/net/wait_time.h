// How a wait time-out in milliseconds reads: 0 without limit, -1 poll once, t > 0 at most t ms.
#pragma once

namespace rcon {

enum class WaitKind { kForever, kPollOnce, kLimited, kInvalid };

// Classifies a wait time-out; values below -1 are invalid and fail the wait.
inline WaitKind ClassifyWait(int timeout_ms) {
  if (timeout_ms == 0) return WaitKind::kForever;
  if (timeout_ms == -1) return WaitKind::kPollOnce;
  return timeout_ms > 0 ? WaitKind::kLimited : WaitKind::kInvalid;
}

}  // namespace rcon
