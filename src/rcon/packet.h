// RCON packets: building the two requests the client makes, and reading what the server
// sends back. Pure functions and readers: bytes in, values out, no I/O. The readers take
// bytes in whatever chunks the socket delivers, down to one byte at a time.
//
// A packet is: size (int32, the number of bytes after the size field), request id (int32),
// type (int32), body, terminator zero bytes. Integers are little-endian two's complement.
#pragma once

#include <cstdint>
#include <optional>

#include "util/text.h"

namespace rcon {

inline constexpr std::int32_t kAuthRequestType = 3;
inline constexpr std::int32_t kCommandRequestType = 2;
inline constexpr std::int32_t kAuthResponseType = 2;
inline constexpr std::int32_t kResponseValueType = 0;
inline constexpr std::size_t kHeaderBytes = 12;
// Size fields outside this range are not trusted: no real packet is shorter or that long.
inline constexpr std::int32_t kMinPacketSize = 8;
inline constexpr std::int32_t kMaxPacketSize = 4 * 1024 * 1024;
// The most body bytes one reply keeps by default: no game server sends more. Past it the
// rest of the reply is read and dropped, so memory stays bounded whatever a server sends.
inline constexpr std::size_t kDefaultMaxReplyBytes = 16 * 1024 * 1024;

// Builds a packet: size n + 8 + terminator_count, the id, the type, the body up to its first zero byte, the terminators.
Bytes BuildPacket(std::int32_t request_id, std::int32_t type, std::string_view body, int terminator_count);

// Builds the same packet into `out`, replacing what it held (its room is kept for the next one).
void BuildPacketInto(Bytes& out, std::int32_t request_id, std::int32_t type, std::string_view body, int terminator_count);

// Builds the authentication request (id 0, type 3) carrying the password as typed.
Bytes BuildAuthPacket(std::string_view password, int terminator_count);

// Builds the command request (id 0, type 2) carrying the command in UTF-8.
Bytes BuildCommandPacket(std::string_view command_utf8, int terminator_count);

// Reads a little-endian int32 at a byte offset; missing bytes read as zero.
std::int32_t ReadInt32At(ByteView bytes, std::size_t offset);

// Returns the low 16 bits of a packet's request id (bytes 4 and 5) as a signed value; missing bytes read as zero.
std::int16_t ReadAuthReplyId(ByteView packet);

// Returns a packet's body: from offset 12 to its first zero byte, or to the end of what is given.
ByteView ExtractReplyBody(ByteView packet);

// Cuts the byte stream of one connection into packets by their size fields. It lives as long
// as the connection: bytes of a packet that has only begun to arrive stay for the next read.
class PacketFramer {
 public:
  // Adds received bytes to the stream.
  void Feed(ByteView chunk);
  // Takes the next whole packet off the stream; nothing when it has not arrived whole.
  // The view stays valid until the next Feed.
  std::optional<ByteView> Next();
  // Tells whether the next packet's size field has arrived and is outside the trusted range.
  bool NextSizeUntrusted() const;
  // The bytes of the next packet that have arrived so far.
  ByteView Pending() const { return ByteView(buffer_).substr(start_); }
  // Drops every byte not yet taken: after an untrusted size field the stream cannot be framed.
  void DropPending() { start_ = buffer_.size(); }

 private:
  Bytes buffer_;
  std::size_t start_ = 0;
};

// Reads the reply to one command from a connection's framer, and the late packets before it.
//
// Until the command is sent, every packet that arrives whole belongs to an earlier command:
// it is late. A packet that has begun before the command is sent is late too. After that,
// the reply is whole when its first packet and every packet that arrived with it are whole;
// their bodies are joined in order. A reply that opens with a type-2 packet (Cuberite's way)
// is whole only once the empty type-2 packet that such servers send after it has come, so
// that this end marker cannot be taken for the next command's reply. Each of the two texts
// keeps at most `max_bytes` body bytes (0: no limit); past it packets are still framed, so
// the stream stays in step.
class ReplyReader {
 public:
  explicit ReplyReader(PacketFramer& framer, std::size_t max_bytes = kDefaultMaxReplyBytes);
  // Adds received bytes to the stream and takes the packets they complete.
  void Feed(ByteView chunk);
  // Marks the command as sent: from now on packets are the reply, after one that had begun.
  void CommandSent();
  // Tells whether a packet has begun to arrive and is not whole yet.
  bool PacketBegun() const { return !framer_.Pending().empty(); }
  // Tells whether the reply is whole, so that nothing more is to be awaited.
  bool Complete() const;
  // Tells whether a packet of the reply has arrived whole (or the stream was given up on).
  bool Started() const { return reply_packets_ > 0 || stopped_; }
  // Takes the body received so far of an unfinished packet: the connection ended, it will not grow.
  void TakeUnfinished();
  // The late bodies (UTF-8), moved out.
  Bytes TakeLate() { return Finish(late_); }
  // The reply's bodies (UTF-8), moved out.
  Bytes TakeReply() { return Finish(reply_); }

 private:
  struct Body {
    Bytes bytes;
    bool cut = false;  // reached the limit: later bodies are dropped
  };
  void TakeWhole();
  void Take(ByteView packet);
  void Append(Body& to, ByteView body);
  Bytes Finish(Body& body);

  PacketFramer& framer_;
  std::size_t max_bytes_;
  Body late_;
  Body reply_;
  bool sent_ = false;
  bool begun_before_send_ = false;
  int reply_packets_ = 0;
  bool awaiting_end_marker_ = false;
  bool stopped_ = false;
};

// What one authentication request got back.
struct AuthReply {
  enum class Kind { kNone, kAnswered, kUnreadable };
  Kind kind = Kind::kNone;
  std::int16_t id = 0;  // the reply's request id (low 16 bits, signed), when answered
};

// Waits out one authentication reply on a connection's framer: the first packet of type 2.
// Packets of other types before it (a Source-style server's empty response value) are skipped;
// packets after it stay on the stream.
class AuthReplyReader {
 public:
  // Looks at what the stream already holds.
  explicit AuthReplyReader(PacketFramer& framer);
  // Adds received bytes.
  void Feed(ByteView chunk);
  // Tells whether the reply has arrived, or the stream has shown it cannot hold one.
  bool Complete() const { return reply_.kind != AuthReply::Kind::kNone; }
  // The reply; when it has not arrived whole but its header has, the id from the header.
  AuthReply Reply() const;

 private:
  void Scan();

  PacketFramer& framer_;
  AuthReply reply_;
};

}  // namespace rcon
