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

}  // namespace

int MapTimeout(int timeout_ms) {
  if (timeout_ms == 0) return kDefaultTimeoutMs;
  if (timeout_ms == -1) return 0;
  return timeout_ms;
}

std::optional<std::int16_t> RconClient::Authenticate(const Text& secret, int terminators, int timeout) {
  if (!endpoint.Send(BuildAuthPacket(secret, terminators), timeout)) return std::nullopt;
  AuthReplyReader reader;
  const std::int32_t start = TickCount();
  while (!reader.Complete()) {
    const std::optional<int> wait = TimeLeft(start, timeout);
    if (!wait) break;
    bool ok = false;
    const Bytes bytes = endpoint.Receive(*wait, &ok);
    if (!ok) break;
    reader.Feed(bytes);
  }
  return reader.ReplyId();
}

int RconClient::Login(const Text& new_host, int new_port, const Text& new_password, int timeout, bool /*timeout_given*/) {
  timeout = MapTimeout(timeout);
  // A fresh endpoint, so that a failed attempt leaves the connection held as it was.
  socket_client fresh;
  if (!fresh.Connect(ResolveHostAddress(new_host), new_port)) return -1;
  endpoint = std::move(fresh);  // closes the connection it replaces
  for (int attempt = 1; attempt <= 2; ++attempt) {
    const std::optional<std::int16_t> id = Authenticate(new_password, attempt, timeout);
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
  bool failed = false;
  while (!reader.Complete()) {
    const std::optional<int> wait = TimeLeft(start, timeout);
    if (!wait) break;
    bool ok = false;
    const Bytes bytes = endpoint.Receive(*wait, &ok);
    if (!ok) {
      failed = true;
      break;
    }
    reader.Feed(bytes);
  }
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
