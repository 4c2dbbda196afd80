// The RCON client: logs in, executes commands with the code-page conversion, reads replies,
// and repairs a broken connection by itself, once per command, with the parameters of the
// last successful login. Every result says what happened (a reply, a time-out, a lost
// connection...), as the network calls under it reported it.
//
// The connection's byte stream is framed by one reader for as long as the connection lives,
// so a reply that comes after its time-out is shown with the next command, ahead of that
// command's own reply, and every later reply stays with its own command. How a reply is known
// to be whole depends on the server: see ReplyReader.
#pragma once

#include <cstdint>
#include <cstdio>

#include "net/socket_client.h"
#include "rcon/codepage.h"
#include "rcon/packet.h"
#include "util/text.h"

namespace rcon {

// The time-out the client uses when it is given 0.
inline constexpr int kDefaultTimeoutMs = 3000;
// The longest command body a packet can carry (4096-byte packets, the protocol's limit), in UTF-8 bytes.
inline constexpr std::size_t kMaxCommandBytes = 4086;
// The longest command body a Minecraft server reads without dropping the connection.
inline constexpr std::size_t kMinecraftMaxCommandBytes = 1446;

// What became of one command.
enum class ReplyStatus {
  kReceived,     // the reply came (the text holds it)
  kTimedOut,     // no reply within the time-out
  kLost,         // the connection broke, and one repair did not restore it
  kTooLong,      // the command is longer than a packet can carry: not sent
  kDroppedLong,  // the server dropped the connection on a command longer than Minecraft takes: not resent
};

// The result of one command, everything in the console's code page.
struct Reply {
  ReplyStatus status = ReplyStatus::kReceived;
  Text text;                    // the reply, when one came
  Text late;                    // replies to earlier commands that came ahead of it
  Text notices;                 // what the server sent that is no reply (chat, log lines), a line each
  std::size_t command_bytes = 0;  // the command's size in UTF-8, as sent or refused
};

// Maps a time-out as the operator gives it to the one the endpoint takes: 0 means 3000 ms, -1 no limit.
int MapTimeout(int timeout_ms);

// Writes every packet sent and received to a file, for bug reports: time, direction, header
// fields, the body as text and the first bytes in hex; a password never.
class PacketTrace {
 public:
  explicit PacketTrace(std::FILE* file) : file_(file) {}
  // Writes one line for the bytes sent or received ("sent", "received"); `secret` hides the body.
  void Record(const char* direction, ByteView bytes, bool framed, bool secret = false);

 private:
  std::FILE* file_;
};

class RconClient {
 public:
  // A client for a console whose texts are in the given code page (GBK unless told).
  explicit RconClient(ConsoleCodePage page = ConsoleCodePage::kGbk) : codepage(page) {}
  // A client owns its connection, so it can be moved but not copied.
  RconClient(RconClient&&) = default;
  RconClient& operator=(RconClient&&) = default;
  RconClient(const RconClient&) = delete;
  RconClient& operator=(const RconClient&) = delete;

  // Connects and authenticates: -1 unreachable (or silent), 0 password refused, else the reply id + 1.
  // The password goes first with two zero bytes after it, the standard form; only when that is
  // refused, or unanswered on a connection that stays open, with one. `timeout_given` is kept
  // for callers that have it; an absent time-out arrives as 0. The lookup and the connection
  // take at most the time-out together.
  int Login(const Text& new_host, int new_port, const Text& new_password, int new_timeout_ms, bool timeout_given = true);

  // Sends one command and gives what became of it. The command is written back in the form that
  // was sent: one leading / or \ removed, in UTF-8. A command longer than a packet is not sent.
  Reply Execute(Text& command, int requested_timeout_ms, bool timeout_given = false);

  // Closes the connection.
  void Disconnect();

  // Zero bytes that end each packet sent: 2 or 1 after a successful login, 0 before.
  int TerminatorCount() const { return terminator_count; }
  // The mapped time-out stored by the last successful login.
  int StoredTimeout() const { return timeout_ms; }
  // The most body bytes one reply keeps (kDefaultMaxReplyBytes unless set); 0 switches the limit off.
  void SetMaxReplyBytes(std::size_t bytes) { max_reply_bytes = bytes; }
  // Writes every packet to the trace from now on (nothing: no trace). The trace outlives the client.
  void SetTrace(PacketTrace* packet_trace);

 private:
  // How a wait for a reply ended.
  enum class WaitEnd;

  // Connects the endpoint within the time-out and starts a fresh stream reader with it: no byte
  // outlives its socket.
  bool Connect(const Text& to_host, int to_port, int timeout);
  // Sends bytes, showing them to the trace first.
  NetStatus SendTraced(ByteView bytes, int timeout, bool secret = false);
  // Sends one authentication request and waits for its reply; `ended` tells whether the
  // connection closed (or the send failed) instead.
  AuthReply Authenticate(const Text& with_password, int terminators, int timeout, bool& ended);
  // Sends one command, after taking the late packets waiting on the connection, and reads its
  // reply; `sent` tells whether the command went out on a connection that was still open.
  Reply Exchange(const Text& command_utf8, int timeout, Bytes& late, Bytes& notices, bool& sent);
  // Receives until the reader is whole, a time-out passes or the connection ends, sending a
  // probe when the reader wants one.
  template <typename Reader>
  WaitEnd ReceiveUntilComplete(Reader& reader, int timeout);
  // Receives the reply to a command that was sent under an already mapped time-out.
  Reply ReadReply(ReplyReader& reader, int timeout);
  // Takes the packets waiting on the connection before a command goes out; false when the
  // connection turned out to have ended.
  bool TakeLatePackets(ReplyReader& reader, int timeout);
  // Hands the framer's packets to the trace.
  static void TraceReceived(void* self, ByteView bytes, bool framed);

  socket_client endpoint;
  ServerStream stream;
  CodePageConverter codepage;
  Bytes packet;  // the command packet under way, its room kept from one command to the next
  int terminator_count = 0;
  Text host;
  int port = 0;
  Text password;
  int timeout_ms = 0;
  std::size_t max_reply_bytes = kDefaultMaxReplyBytes;
  PacketTrace* trace = nullptr;
};

}  // namespace rcon
