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

// The request id of a probe: an empty type-0 packet a server answers in order, after the whole
// reply to the command before it. Commands carry id 0; every packet with id 1 is a probe's answer.
inline constexpr std::int32_t kProbeId = 1;
// Bodies of this many UTF-16 code units fill a Minecraft server's packet: more of the reply may follow.
inline constexpr std::size_t kFullPacketUnits = 4096;
// The bytes Squad sends after the follow-up of a probe's answer, past its size field.
inline constexpr std::string_view kSquadStray{"\0\x01\0\0\0\0\0", 7};

// Builds a probe (id 1, type 0, empty body) with the terminators of the connection's form.
Bytes BuildProbePacket(int terminator_count);

// The number of UTF-16 code units UTF-8 text holds (2 for each character above U+FFFF).
std::size_t Utf16Units(ByteView utf8);

// Cuts the byte stream of one connection into packets by their size fields. It lives as long
// as the connection: bytes of a packet that has only begun to arrive stay for the next read.
class PacketFramer {
 public:
  // Sees every packet taken off the stream, and bytes dropped unframed (`framed` false).
  using Observer = void (*)(void* context, ByteView bytes, bool framed);

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
  void DropPending();
  // Drops these bytes where the next packet would begin, once they are there (bytes a server
  // sends past a packet's size field); other bytes there cancel it.
  void SkipStray(ByteView bytes) { stray_ = bytes; }
  // Shows what is taken off the stream to the observer (nothing: no one is told).
  void Observe(Observer observer, void* context) {
    observer_ = observer;
    context_ = context;
  }

 private:
  // Drops the stray bytes expected where the stream now stands; false while they may still come.
  bool DropStray();

  Bytes buffer_;
  std::size_t start_ = 0;
  ByteView stray_;
  Observer observer_ = nullptr;
  void* context_ = nullptr;
};

// What a server has shown of its ways on one connection, learnt as the client goes.
struct ServerHabits {
  // An empty type-0 packet came before the login's reply (Source's way): every command is
  // followed by a probe, and its answer marks the reply's end.
  bool probe_every_command = false;
  // False once a probe went unanswered within a time-out (Factorio): no more probes are sent.
  bool probes_answered = true;
  // False once a reply of type-2 packets lacked its end marker within a time-out: none is awaited.
  bool end_marker = true;
  // Probes sent whose answer has not come.
  int probes_out = 0;
  // The last probe answer was Source's empty mirror: the next id-1 packet is its follow-up.
  bool follow_up_next = false;
};

// One connection's byte stream as the client reads it: framed, with the server's habits learnt
// on it. It lives as long as the connection.
struct ServerStream {
  PacketFramer framer;
  ServerHabits habits;
};

// Reads the reply to one command from a connection's stream, and what came before it.
//
// Until the command is sent, every packet that arrives whole belongs to an earlier command: it
// is late. A packet that has begun before the command is sent is late too, and so is every
// reply packet ahead of the answers to probes sent with earlier commands. Packets of types other
// than 0 and 2 belong to no reply (chat lines, log lines): they are notices. Every id-1 packet is
// a probe's answer and is dropped. The reply is whole:
// - when the answer to its own probe comes, where one was sent;
// - for a reply that opens with a type-2 packet (Cuberite's way), at the empty type-2 packet
//   such servers send after it;
// - otherwise at a packet of fewer than 4096 UTF-16 units, or more, with nothing more begun: a
//   packet of exactly 4096 may be followed by more (Minecraft's way), so a probe is wanted then.
// Each text keeps at most `max_bytes` body bytes (0: no limit); past it packets are still
// framed, so the stream stays in step.
class ReplyReader {
 public:
  explicit ReplyReader(ServerStream& stream, std::size_t max_bytes = kDefaultMaxReplyBytes);
  // Adds received bytes to the stream and takes the packets they complete.
  void Feed(ByteView chunk);
  // Marks the command as sent, with a probe right behind it when `with_probe`: from now on
  // packets are the reply, after one that had begun and after earlier probes' answers.
  void CommandSent(bool with_probe = false);
  // Tells whether the reply's last packet was full and a probe should now find its end.
  bool WantsProbe() const;
  // Marks a probe as sent after the reply's last packet.
  void ProbeSent();
  // Tells whether a packet has begun to arrive and is not whole yet.
  bool PacketBegun() const { return !framer_.Pending().empty(); }
  // Tells whether the reply is whole, so that nothing more is to be awaited.
  bool Complete() const;
  // Tells whether a packet of the reply has arrived whole (or the stream was given up on).
  bool Started() const { return reply_packets_ > 0 || stopped_; }
  // The time-out passed before the reply was whole: a probe that went unanswered while the
  // reply came, or an end marker that never came, is not awaited on this connection again.
  void TimedOut();
  // Takes the body received so far of an unfinished packet: it will not grow.
  void TakeUnfinished();
  // The late bodies (UTF-8), moved out.
  Bytes TakeLate() { return Finish(late_); }
  // The reply's bodies (UTF-8), moved out.
  Bytes TakeReply() { return Finish(reply_); }
  // The notices' bodies (UTF-8), one line each, moved out.
  Bytes TakeNotices() { return Finish(notices_); }

 private:
  struct Body {
    Bytes bytes;
    bool cut = false;  // reached the limit, or ended unfinished: later bodies are dropped
  };
  void TakeWhole();
  void Take(ByteView packet);
  void TakeProbeAnswer(ByteView packet, ByteView body);
  // Tells whether the last reply packet was full, so that more of the reply may follow it.
  bool LastFull() const;
  void Append(Body& to, ByteView body);
  Bytes Finish(Body& body);

  PacketFramer& framer_;
  ServerHabits& habits_;
  std::size_t max_bytes_;
  Body late_;
  Body reply_;
  Body notices_;
  bool sent_ = false;
  bool begun_before_send_ = false;
  int earlier_probes_ = 0;     // answers still to come for probes sent before this command
  bool probe_out_ = false;     // a probe of this reply's was sent
  bool probe_answered_ = false;
  int reply_packets_ = 0;
  bool type_two_reply_ = false;  // opened with a type-2 packet, awaiting its end marker
  bool end_marker_seen_ = false;
  std::size_t last_size_ = 0;    // body bytes of the last reply packet (the end of reply_)
  mutable std::optional<bool> last_full_;  // it held exactly 4096 UTF-16 units; counted when asked
  bool stopped_ = false;
};

// What one authentication request got back.
struct AuthReply {
  enum class Kind { kNone, kAnswered, kUnreadable };
  Kind kind = Kind::kNone;
  std::int16_t id = 0;  // the reply's request id (low 16 bits, signed), when answered
};

// Waits out one authentication reply on a connection's stream: the first packet of type 2.
// Packets of other types before it are skipped; an empty type-0 packet among them (Source's
// way) tells the stream's habits to probe every command. Packets after it stay on the stream.
class AuthReplyReader {
 public:
  // Looks at what the stream already holds.
  explicit AuthReplyReader(ServerStream& stream);
  // Adds received bytes.
  void Feed(ByteView chunk);
  // Tells whether the reply has arrived, or the stream has shown it cannot hold one.
  bool Complete() const { return reply_.kind != AuthReply::Kind::kNone; }
  // Tells whether a packet has begun to arrive and is not whole yet.
  bool PacketBegun() const { return !framer_.Pending().empty(); }
  // The reply; when it has not arrived whole but its header has, the id from the header.
  AuthReply Reply() const;

 private:
  void Scan();

  PacketFramer& framer_;
  ServerHabits& habits_;
  AuthReply reply_;
};

}  // namespace rcon
