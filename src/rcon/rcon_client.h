// The RCON client: logs in, executes commands with the code-page conversion, reads replies,
// and repairs a broken connection by itself, once per command, with the parameters of the
// last successful login. A failed receive that ends before the time-out has passed means a
// broken connection; one that takes the whole time-out means a silent server.
//
// The connection's byte stream is framed by one reader for as long as the connection lives,
// so a reply that comes after its time-out is shown with the next command, ahead of that
// command's own reply, and every later reply stays with its own command.
#pragma once

#include <cstdint>
#include <optional>

#include "net/socket_client.h"
#include "rcon/codepage.h"
#include "rcon/packet.h"
#include "util/text.h"

namespace rcon {

// The time-out the client uses when it is given 0.
inline constexpr int kDefaultTimeoutMs = 3000;

// "（需要重新连接）": the receive failed early; the connection is broken.
inline constexpr std::string_view kNeedsReconnectText = "\xA3\xA8\xD0\xE8\xD2\xAA\xD6\xD8\xD0\xC2\xC1\xAC\xBD\xD3\xA3\xA9";
// "（等待服务器回应超时）": no answer within the time-out.
inline constexpr std::string_view kTimedOutText =
    "\xA3\xA8\xB5\xC8\xB4\xFD\xB7\xFE\xCE\xF1\xC6\xF7\xBB\xD8\xD3\xA6\xB3\xAC\xCA\xB1\xA3\xA9";
// "（连接已丢失且无法恢复）": the connection broke and one reconnection did not restore it.
inline constexpr std::string_view kConnectionLostText =
    "\xA3\xA8\xC1\xAC\xBD\xD3\xD2\xD1\xB6\xAA\xCA\xA7\xC7\xD2\xCE\xDE\xB7\xA8\xBB\xD6\xB8\xB4\xA3\xA9";

// What became of one reply.
enum class ReplyStatus { kReceived, kTimedOut, kBroken };

// A reply with its status beside it; the text is the reply in GBK, or the state text that goes with the status.
struct Reply {
  ReplyStatus status = ReplyStatus::kReceived;
  Text text;
};

// Maps a time-out as the operator gives it to the one the endpoint takes: 0 means 3000 ms, -1 no limit.
int MapTimeout(int timeout_ms);

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
  // for callers that have it; an absent time-out arrives as 0.
  int Login(const Text& new_host, int new_port, const Text& new_password, int new_timeout_ms, bool timeout_given = true);

  // Sends one command and returns its reply in the console's code page, or the time-out or
  // connection-lost text. A late reply found on the connection ahead of it goes to `late` when
  // given (empty when there was none); otherwise it comes first in the result, on a line of its
  // own. The command is written back in the form that was sent: one leading / or \ removed, in UTF-8.
  Text Execute(Text& command, int requested_timeout_ms, bool timeout_given = false, Text* late = nullptr);

  // Closes the connection.
  void Disconnect();

  // Zero bytes that end each packet sent: 2 or 1 after a successful login, 0 before.
  int TerminatorCount() const { return terminator_count; }
  // The mapped time-out stored by the last successful login.
  int StoredTimeout() const { return timeout_ms; }
  // The most body bytes one reply keeps (kDefaultMaxReplyBytes unless set); 0 switches the limit off.
  void SetMaxReplyBytes(std::size_t bytes) { max_reply_bytes = bytes; }

 private:
  // Connects the endpoint within the time-out and starts a fresh stream reader with it: no byte
  // outlives its socket.
  bool Connect(const Text& to_host, int to_port, int timeout);
  // Sends one authentication request and waits for its reply; `ended` tells whether the
  // connection closed (or the send failed) instead.
  AuthReply Authenticate(const Text& with_password, int terminators, int timeout, bool& ended);
  // Sends one command, after taking the late packets waiting on the connection, and reads its reply.
  Reply Exchange(const Text& command_utf8, int timeout, Bytes& late);
  // Receives the reply to a command that was sent under an already mapped time-out.
  Reply ReadReply(ReplyReader& reader, int timeout);

  socket_client endpoint;
  PacketFramer framer;
  CodePageConverter codepage;
  Bytes packet;  // the command packet under way, its room kept from one command to the next
  int terminator_count = 0;
  Text host;
  int port = 0;
  Text password;
  int timeout_ms = 0;
  std::size_t max_reply_bytes = kDefaultMaxReplyBytes;
};

}  // namespace rcon
