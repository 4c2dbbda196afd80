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

// Builds a packet: size n + 8 + terminator_count, the id, the type, the body up to its first zero byte, the terminators.
Bytes BuildPacket(std::int32_t request_id, std::int32_t type, std::string_view body, int terminator_count);

// Builds the authentication request (id 0, type 3) carrying the password as typed.
Bytes BuildAuthPacket(std::string_view password, int terminator_count);

// Builds the command request (id 0, type 2) carrying the command in UTF-8.
Bytes BuildCommandPacket(std::string_view command_utf8, int terminator_count);

// Reads a little-endian int32 at a byte offset; missing bytes read as zero.
std::int32_t ReadInt32At(ByteView bytes, std::size_t offset);

// Returns the low 16 bits of a packet's request id (bytes 4 and 5) as a signed value; missing bytes read as zero.
std::int16_t ReadAuthReplyId(ByteView packet);

// Returns a packet's body: from offset 12 to its first zero byte, or to the end of what is given.
Bytes ExtractReplyBody(ByteView packet);

// The same body as a view into the packet.
ByteView ReplyBodyView(ByteView packet);

// Cuts a byte stream into packets by their size fields.
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

 private:
  Bytes buffer_;
  std::size_t start_ = 0;
};

// Gathers one command reply. The reply is whole when the first packet and every packet
// that arrived with it are whole; their bodies are joined in order. A size field that is
// not trusted ends the reply with what has arrived of that packet.
class ReplyReader {
 public:
  // Adds received bytes.
  void Feed(ByteView chunk);
  // Tells whether the reply is whole, so that nothing more is to be awaited.
  bool Complete() const;
  // Tells whether any byte has arrived.
  bool Started() const { return started_; }
  // The reply's body bytes (UTF-8), including the body received so far of an unfinished packet.
  Bytes Body() const;
  // The same as Body, moved out of the reader, which is then spent.
  Bytes TakeBody();

 private:
  PacketFramer framer_;
  Bytes body_;
  int packets_ = 0;
  bool started_ = false;
  bool stopped_ = false;
};

// Waits out one authentication reply: the first packet of type 2. Packets of other types
// before it (a Source-style server's empty response value) are skipped.
class AuthReplyReader {
 public:
  // Adds received bytes.
  void Feed(ByteView chunk);
  // Tells whether the reply has arrived, or the stream has shown it cannot hold one.
  bool Complete() const { return found_ || broken_; }
  // The reply's request id (low 16 bits, signed), once its header has arrived; nothing
  // when no reply arrived or the stream is not trusted.
  std::optional<std::int16_t> ReplyId() const;

 private:
  PacketFramer framer_;
  std::optional<std::int16_t> id_;
  bool found_ = false;
  bool broken_ = false;
};

}  // namespace rcon
