#include "rcon/rcon_client.h"

#include "util/clock.h"

namespace rcon {
namespace {

// How a wait for a whole reply ended.
enum class WaitEnd {
  kComplete,  // the reader has what it waited for
  kTimedOut,  // the time-out passed first
  kEnded,     // a receive failed before the time-out: the connection closed or failed
};

// Receives once into the reader within `wait`: why the receive ended.
template <typename Reader>
NetStatus ReceiveOnce(socket_client& endpoint, Reader& reader, int wait) {
  char block[kReceiveBlockBytes];
  int n = 0;
  const NetStatus status = endpoint.Receive(block, kReceiveBlockBytes, wait, n);
  if (status == NetStatus::kOk) reader.Feed(ByteView(block, static_cast<std::size_t>(n)));
  return status;
}

// Receives into the reader until it is complete or the time-out has passed.
template <typename Reader>
WaitEnd ReceiveUntilComplete(socket_client& endpoint, Reader& reader, int timeout_ms) {
  const Deadline deadline(timeout_ms);
  while (!reader.Complete()) {
    const std::optional<int> wait = deadline.Left();
    if (!wait) return WaitEnd::kTimedOut;
    switch (ReceiveOnce(endpoint, reader, *wait)) {
      case NetStatus::kOk: break;
      case NetStatus::kTimedOut: return WaitEnd::kTimedOut;
      default: return WaitEnd::kEnded;
    }
  }
  return WaitEnd::kComplete;
}

// Takes the packets already waiting on the connection without waiting for more; a packet that
// has begun to arrive is awaited within the time-out. Stops when nothing more is waiting, the
// time-out has passed, or the connection ended.
void TakeLatePackets(socket_client& endpoint, ReplyReader& reader, int timeout_ms) {
  const Deadline deadline(timeout_ms);
  for (;;) {
    const std::optional<int> left = deadline.Left();
    if (!left) return;
    if (ReceiveOnce(endpoint, reader, reader.PacketBegun() ? *left : -1) != NetStatus::kOk) return;
  }
}

bool LoggedIn(int login) { return login != 0 && login != -1; }

}  // namespace

int MapTimeout(int timeout_ms) {
  if (timeout_ms == 0) return kDefaultTimeoutMs;
  if (timeout_ms == -1) return 0;
  return timeout_ms;
}

bool RconClient::Connect(const Text& to_host, int to_port, int timeout) {
  // The lookup and the connection share the time-out, whatever the resolver does.
  if (!endpoint.ConnectToHost(to_host, to_port, timeout)) return false;
  framer = PacketFramer();
  return true;
}

AuthReply RconClient::Authenticate(const Text& with_password, int terminators, int timeout, bool& ended) {
  ended = endpoint.Send(BuildAuthPacket(with_password, terminators), timeout) != NetStatus::kOk;
  if (ended) return {};
  AuthReplyReader reader(framer);
  ended = ReceiveUntilComplete(endpoint, reader, timeout) == WaitEnd::kEnded;
  return reader.Reply();
}

int RconClient::Login(const Text& new_host, int new_port, const Text& new_password, int new_timeout_ms,
                      bool /*timeout_given*/) {
  const int timeout = MapTimeout(new_timeout_ms);
  // A new connection replaces (and closes) the one held; a failed one leaves it as it was.
  if (!Connect(new_host, new_port, timeout)) return -1;
  bool refused = false;
  // Two zero bytes after the password is the standard form. One zero byte is tried only when
  // the first is refused or unanswered while the connection stays open: a server that closed
  // instead may compare passwords by prefix, and would then let in a password that is wrong
  // in its last byte and take every command a byte short.
  for (const int terminators : {2, 1}) {
    bool ended = false;
    const AuthReply reply = Authenticate(new_password, terminators, timeout, ended);
    if (reply.kind == AuthReply::Kind::kAnswered && reply.id != -1) {
      terminator_count = terminators;
      host = new_host;
      port = new_port;
      password = new_password;
      timeout_ms = timeout;
      return reply.id + 1;
    }
    refused = refused || reply.kind == AuthReply::Kind::kAnswered;
    if (ended) break;
  }
  return refused ? 0 : -1;
}

Reply RconClient::ReadReply(ReplyReader& reader, int timeout) {
  const WaitEnd end = ReceiveUntilComplete(endpoint, reader, timeout);
  // Once the connection has ended, what arrived of a packet is all there will be of it.
  if (end == WaitEnd::kEnded) reader.TakeUnfinished();
  if (reader.Started()) return Reply{ReplyStatus::kReceived, codepage.FromUtf8(reader.TakeReply())};
  if (end == WaitEnd::kEnded) return Reply{ReplyStatus::kBroken, Text(kConnectionLostText)};
  return Reply{ReplyStatus::kTimedOut, Text(kTimedOutText)};
}

Reply RconClient::Exchange(const Text& command_utf8, int timeout, Bytes& late) {
  BuildPacketInto(packet, 0, kCommandRequestType, command_utf8, terminator_count);
  ReplyReader reader(framer, max_reply_bytes);
  // The late packets are taken before the command goes out, so they cannot be taken for its
  // reply: one that has begun is awaited, and the send's own wait tells whether more are
  // waiting. A failed send shows up as a failed receive.
  bool input_waiting = false;
  if (reader.PacketBegun() || (endpoint.SendUnlessInput(packet, timeout, input_waiting), input_waiting)) {
    TakeLatePackets(endpoint, reader, timeout);
    endpoint.Send(packet, timeout);
  }
  reader.CommandSent();
  Reply reply = ReadReply(reader, timeout);
  late += reader.TakeLate();
  return reply;
}

Text RconClient::Execute(Text& command, int requested_timeout_ms, bool /*timeout_given*/, Text* late) {
  const int timeout = MapTimeout(requested_timeout_ms);
  if (!command.empty() && (command[0] == '/' || command[0] == '\\')) command.erase(0, 1);
  command = codepage.ToUtf8(std::move(command));
  Bytes late_utf8;
  Reply reply = Exchange(command, timeout, late_utf8);
  if (reply.status == ReplyStatus::kBroken) {
    // One repair: a new login with the stored parameters, then the command again, in the form
    // the new login accepted. A repair whose login fails sends nothing and holds no connection.
    if (LoggedIn(Login(host, port, password, timeout_ms, true))) {
      reply = Exchange(command, timeout, late_utf8);
    } else {
      Disconnect();
    }
    if (reply.status == ReplyStatus::kBroken) reply.text = Text(kConnectionLostText);
  }
  Text late_text = codepage.FromUtf8(std::move(late_utf8));
  if (late != nullptr) {
    *late = std::move(late_text);
    return std::move(reply.text);
  }
  if (late_text.empty()) return std::move(reply.text);
  return late_text.append("\r\n").append(reply.text);
}

void RconClient::Disconnect() {
  endpoint.Close();
  framer = PacketFramer();
}

}  // namespace rcon
