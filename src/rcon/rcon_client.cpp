#include "rcon/rcon_client.h"

#include "rcon/codepage.h"
#include "rcon/packet.h"
#include "util/clock.h"

namespace rcon {
namespace {

// Milliseconds left of a time-out that began at `start`, as a wait time-out: 0 (no limit)
// stays 0; an expired limit gives nothing.
std::optional<int> TimeLeft(std::int32_t start, int timeout_ms) {
  if (timeout_ms == 0) return 0;
  const std::int64_t left = timeout_ms - TicksBetween(start, TickCount());
  if (left <= 0) return std::nullopt;
  return static_cast<int>(left);
}

// Receives into the reader until it is complete or the time-out (from `start`) has passed;
// false when a receive failed (closed, error, or nothing in time).
template <typename Reader>
bool ReceiveInto(socket_client& endpoint, Reader& reader, std::int32_t start, int timeout_ms) {
  while (!reader.Complete()) {
    const std::optional<int> wait = TimeLeft(start, timeout_ms);
    if (!wait) return true;
    bool ok = false;
    const Bytes bytes = endpoint.Receive(*wait, &ok);
    if (!ok) return false;
    reader.Feed(bytes);
  }
  return true;
}

}  // namespace

int MapTimeout(int timeout_ms) {
  if (timeout_ms == 0) return kDefaultTimeoutMs;
  if (timeout_ms == -1) return 0;
  return timeout_ms;
}

std::optional<std::int16_t> RconClient::AwaitAuthReply(int timeout) {
  AuthReplyReader reader;
  ReceiveInto(endpoint, reader, TickCount(), timeout);
  return reader.ReplyId();
}

int RconClient::Login(const Text& new_host, int new_port, const Text& new_password, int timeout, bool /*timeout_given*/) {
  timeout = MapTimeout(timeout);
  // A new connection replaces (and closes) the one held; a failed one leaves it as it was.
  if (!endpoint.Connect(ResolveHostAddress(new_host), new_port)) return -1;
  for (int attempt = 1; attempt <= 2; ++attempt) {
    // The attempt number is the number of zero bytes after the password.
    if (!endpoint.Send(BuildAuthPacket(new_password, attempt), timeout)) return -1;
    const std::optional<std::int16_t> id = AwaitAuthReply(timeout);
    if (!id) {
      if (attempt == 2) return -1;
      continue;  // no reply to the first attempt: try the second form
    }
    if (*id == -1) continue;
    terminator_count = attempt;
    host = new_host;
    port = new_port;
    password = new_password;
    timeout_ms = timeout;
    return *id + 1;
  }
  return 0;
}

Reply RconClient::ReadReply(int timeout) {
  ReplyReader reader;
  const std::int32_t start = TickCount();
  const bool failed = !ReceiveInto(endpoint, reader, start, timeout);
  if (reader.Started()) return Reply{ReplyStatus::kReceived, Utf8ToGbk(reader.TakeBody())};
  const std::int64_t elapsed = TicksBetween(start, TickCount());
  if (failed && timeout != 0 && elapsed < timeout) return Reply{ReplyStatus::kBroken, Text(kNeedsReconnectText)};
  return Reply{ReplyStatus::kTimedOut, Text(kTimedOutText)};
}

Reply RconClient::Exchange(ByteView packet, int timeout) {
  endpoint.Send(packet, timeout);  // a failed send shows up as a failed receive
  return ReadReply(timeout);
}

Text RconClient::Execute(Text& command, int timeout, bool /*timeout_given*/) {
  timeout = MapTimeout(timeout);
  if (!command.empty() && (command[0] == '/' || command[0] == '\\')) command.erase(0, 1);
  command = GbkToUtf8(command);
  const Bytes packet = BuildCommandPacket(command, terminator_count);
  Reply reply = Exchange(packet, timeout);
  if (reply.status != ReplyStatus::kBroken) return std::move(reply.text);
  Login(host, port, password, timeout_ms, true);
  reply = Exchange(packet, timeout);
  if (reply.status == ReplyStatus::kBroken) return Text(kConnectionLostText);
  return std::move(reply.text);
}

void RconClient::Disconnect() { endpoint.Close(); }

}  // namespace rcon
