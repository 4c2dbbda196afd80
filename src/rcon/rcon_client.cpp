#include "rcon/rcon_client.h"

#include <algorithm>
#include <type_traits>

#include "util/clock.h"

namespace rcon {

// How a wait for a reply ended.
enum class RconClient::WaitEnd {
  kComplete,  // the reader has what it waited for
  kTimedOut,  // the time-out passed first
  kStalled,   // a packet began, then no byte of it came for a whole time-out: it will not be finished
  kEnded,     // the connection closed or failed
};

namespace {

bool LoggedIn(int login) { return login != 0 && login != -1; }

// Calls `f` with each packet in bytes framed by size fields (the rest, if any, as one piece).
template <typename F>
void ForEachPacket(ByteView bytes, F&& f) {
  while (bytes.size() >= 4) {
    const std::int32_t size = ReadInt32At(bytes, 0);
    const std::size_t total = size >= 0 ? 4 + static_cast<std::size_t>(size) : bytes.size();
    f(bytes.substr(0, total));
    bytes.remove_prefix(std::min(total, bytes.size()));
  }
  if (!bytes.empty()) f(bytes);
}

// Appends a text as a line of its own after what `to` holds.
void AppendLine(Bytes& to, Bytes&& line) {
  if (line.empty()) return;
  if (!to.empty()) to += "\r\n";
  to += line;
}

}  // namespace

int MapTimeout(int timeout_ms) {
  if (timeout_ms == 0) return kDefaultTimeoutMs;
  if (timeout_ms == -1) return 0;
  return timeout_ms;
}

void PacketTrace::Record(const char* direction, ByteView bytes, bool framed, bool secret) {
  const CivilTime t = LocalTimeNow();
  char head[128];
  std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d.%03d %-8s", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond, direction);
  std::string line(head);
  const ByteView body = framed ? ExtractReplyBody(bytes) : ByteView();
  if (framed && bytes.size() >= kHeaderBytes) {
    std::snprintf(head, sizeof head, " size=%d id=%d type=%d body=%zu \"", ReadInt32At(bytes, 0), ReadInt32At(bytes, 4),
                  ReadInt32At(bytes, 8), body.size());
    line += head;
    for (std::size_t i = 0; i < body.size(); ++i) {
      const std::uint8_t b = ByteAt(body, i);
      if (secret) {
        line += '*';
      } else if (b < 0x20 || b == 0x7F || b == '"' || b == '\\') {
        std::snprintf(head, sizeof head, "\\x%02X", b);
        line += head;
      } else {
        line += static_cast<char>(b);
      }
    }
    line += '"';
  } else {
    std::snprintf(head, sizeof head, " unframed %zu bytes", bytes.size());
    line += head;
  }
  line += " |";
  for (std::size_t i = 0; i < bytes.size() && i < 64; ++i) {
    const bool hidden = secret && i >= kHeaderBytes && i < kHeaderBytes + body.size();
    std::snprintf(head, sizeof head, hidden ? " **" : " %02x", ByteAt(bytes, i));
    line += head;
  }
  line += '\n';
  std::fputs(line.c_str(), file_);
  std::fflush(file_);
}

void RconClient::TraceReceived(void* packet_trace, ByteView bytes, bool framed) {
  static_cast<PacketTrace*>(packet_trace)->Record("received", bytes, framed);
}

void RconClient::SetTrace(PacketTrace* packet_trace) {
  trace = packet_trace;
  stream.framer.Observe(trace != nullptr ? TraceReceived : nullptr, trace);
}

NetStatus RconClient::SendTraced(ByteView bytes, int timeout, bool secret) {
  if (trace != nullptr) ForEachPacket(bytes, [&](ByteView p) { trace->Record("sent", p, true, secret); });
  return endpoint.Send(bytes, timeout);
}

bool RconClient::Connect(const Text& to_host, int to_port, int timeout) {
  // The lookup and the connection share the time-out, whatever the resolver does.
  if (!endpoint.ConnectToHost(to_host, to_port, timeout)) return false;
  stream = ServerStream();
  SetTrace(trace);
  return true;
}

template <typename Reader>
RconClient::WaitEnd RconClient::ReceiveUntilComplete(Reader& reader, int timeout) {
  const Deadline deadline(timeout);
  std::int32_t last_byte = TickCount();
  char block[kReceiveBlockBytes];
  for (;;) {
    if constexpr (std::is_same_v<Reader, ReplyReader>) {
      if (reader.WantsProbe()) {
        // The reply's last packet was full: a probe, answered after the rest, finds its end.
        if (SendTraced(BuildProbePacket(terminator_count), timeout) != NetStatus::kOk) return WaitEnd::kEnded;
        reader.ProbeSent();
      }
    }
    if (reader.Complete()) return WaitEnd::kComplete;
    int wait = 0;
    bool past = false;
    if (const std::optional<int> left = deadline.Left()) {
      wait = *left;
    } else if (reader.PacketBegun()) {
      // Past the time-out with a packet under way: it has a whole time-out from its last byte.
      const std::int64_t quiet = TicksBetween(last_byte, TickCount());
      if (quiet >= timeout) return WaitEnd::kStalled;
      wait = static_cast<int>(timeout - quiet);
      past = true;
    } else {
      return WaitEnd::kTimedOut;
    }
    int n = 0;
    const NetStatus status = endpoint.Receive(block, kReceiveBlockBytes, wait, n);
    if (status == NetStatus::kTimedOut) continue;  // the next turn tells a time-out from a stall
    if (status != NetStatus::kOk) return WaitEnd::kEnded;
    reader.Feed(ByteView(block, static_cast<std::size_t>(n)));
    last_byte = TickCount();
    // Another packet is awaited: the acknowledgement goes now, so that a server holding its
    // next small write back for it (the answer to a probe, say) sends it now. (Inside a packet
    // the sender is mid-write, and the system acknowledges full segments by itself.)
    if (!reader.Complete() && !reader.PacketBegun()) endpoint.AcknowledgeNow();
    if constexpr (std::is_same_v<Reader, ReplyReader>) {
      // Still coming past the time-out: the whole packet comes with the next command.
      if (past && !reader.Complete() && !reader.WantsProbe()) return WaitEnd::kTimedOut;
    }
  }
}

AuthReply RconClient::Authenticate(const Text& with_password, int terminators, int timeout, bool& ended) {
  ended = SendTraced(BuildAuthPacket(with_password, terminators), timeout, true) != NetStatus::kOk;
  if (ended) return {};
  AuthReplyReader reader(stream);
  const WaitEnd end = ReceiveUntilComplete(reader, timeout);
  ended = end == WaitEnd::kEnded || end == WaitEnd::kStalled;
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
  const WaitEnd end = ReceiveUntilComplete(reader, timeout);
  if (end == WaitEnd::kTimedOut) reader.TimedOut();
  // Once the connection has ended, or the server has left a packet unfinished, what arrived of
  // it is all there will be.
  if (end == WaitEnd::kEnded || end == WaitEnd::kStalled) reader.TakeUnfinished();
  Reply reply;
  if (reader.Started()) {
    reply.text = codepage.FromUtf8(reader.TakeReply());
  } else {
    reply.status = end == WaitEnd::kTimedOut ? ReplyStatus::kTimedOut : ReplyStatus::kLost;
  }
  // A packet the server will not finish leaves the stream out of step: the next command logs in anew.
  if (end == WaitEnd::kStalled) Disconnect();
  return reply;
}

bool RconClient::TakeLatePackets(ReplyReader& reader, int timeout) {
  // Whatever waits is taken without waiting for more; a packet that has begun is awaited
  // within the time-out.
  const Deadline deadline(timeout);
  char block[kReceiveBlockBytes];
  for (;;) {
    const std::optional<int> left = deadline.Left();
    if (!left) return true;
    int n = 0;
    const NetStatus status = endpoint.Receive(block, kReceiveBlockBytes, reader.PacketBegun() ? *left : -1, n);
    if (status == NetStatus::kTimedOut) return true;
    if (status != NetStatus::kOk) return false;
    reader.Feed(ByteView(block, static_cast<std::size_t>(n)));
  }
}

Reply RconClient::Exchange(const Text& command_utf8, int timeout, Bytes& late, Bytes& notices, bool& sent) {
  sent = false;
  BuildPacketInto(packet, 0, kCommandRequestType, command_utf8, terminator_count);
  // On a Source-style server a probe leaves with every command, in the same write: its answer,
  // after the whole reply, marks the reply's end.
  const bool probe = stream.habits.probe_every_command && stream.habits.probes_answered;
  if (probe) packet += BuildProbePacket(terminator_count);
  ReplyReader reader(stream, max_reply_bytes);
  // The late packets are taken before the command goes out, so they cannot be taken for its
  // reply: one that has begun is awaited, and the send's own wait tells whether more are
  // waiting.
  bool input_waiting = reader.PacketBegun();
  NetStatus status = NetStatus::kOk;
  if (!input_waiting) {
    status = endpoint.SendUnlessInput(packet, timeout, input_waiting);
    if (status == NetStatus::kOk && !input_waiting && trace != nullptr) {
      ForEachPacket(packet, [&](ByteView p) { trace->Record("sent", p, true); });
    }
  }
  if (input_waiting) {
    if (!TakeLatePackets(reader, timeout)) {
      // The connection had ended before the command went out: nothing was sent on it.
      late += reader.TakeLate();
      AppendLine(notices, reader.TakeNotices());
      Reply lost;
      lost.status = ReplyStatus::kLost;
      return lost;
    }
    status = SendTraced(packet, timeout);
  }
  // A failed send shows up as a failed receive; only a command that went out counts as sent.
  sent = status == NetStatus::kOk;
  reader.CommandSent(probe);
  Reply reply = ReadReply(reader, timeout);
  late += reader.TakeLate();
  AppendLine(notices, reader.TakeNotices());
  return reply;
}

Reply RconClient::Execute(Text& command, int requested_timeout_ms, bool /*timeout_given*/) {
  const int timeout = MapTimeout(requested_timeout_ms);
  if (!command.empty() && (command[0] == '/' || command[0] == '\\')) command.erase(0, 1);
  command = codepage.ToUtf8(std::move(command));
  Reply reply;
  reply.command_bytes = command.size();
  if (command.size() > kMaxCommandBytes) {
    reply.status = ReplyStatus::kTooLong;  // no packet can carry it: nothing is sent
    return reply;
  }
  Bytes late, notices;
  bool sent = false;
  reply = Exchange(command, timeout, late, notices, sent);
  if (reply.status == ReplyStatus::kLost) {
    if (sent && command.size() > kMinecraftMaxCommandBytes) {
      // Dropped on a command longer than a Minecraft server reads: a resend would be dropped too.
      reply.status = ReplyStatus::kDroppedLong;
      Disconnect();
    } else if (LoggedIn(Login(host, port, password, timeout_ms, true))) {
      // One repair: a new login with the stored parameters, then the command again, in the form
      // the new login accepted. A repair whose login fails sends nothing and holds no connection.
      reply = Exchange(command, timeout, late, notices, sent);
    } else {
      Disconnect();
    }
  }
  reply.command_bytes = command.size();
  reply.late = codepage.FromUtf8(std::move(late));
  reply.notices = codepage.FromUtf8(std::move(notices));
  return reply;
}

void RconClient::Disconnect() {
  endpoint.Close();
  stream = ServerStream();
  SetTrace(trace);
}

}  // namespace rcon
