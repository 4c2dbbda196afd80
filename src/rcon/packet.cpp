#include "rcon/packet.h"

namespace rcon {
namespace {

// Writes a little-endian int32 at p.
void PutInt32(char* p, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int k = 0; k < 4; ++k) p[k] = static_cast<char>((u >> (8 * k)) & 0xFFu);
}

bool SizeTrusted(std::int32_t size) { return size >= kMinPacketSize && size <= kMaxPacketSize; }

}  // namespace

void BuildPacketInto(Bytes& out, std::int32_t request_id, std::int32_t type, std::string_view body, int terminator_count) {
  body = UpToZero(body);
  const auto terminators = static_cast<std::size_t>(terminator_count > 0 ? terminator_count : 0);
  char header[kHeaderBytes];
  PutInt32(header, static_cast<std::int32_t>(body.size() + 8 + terminators));
  PutInt32(header + 4, request_id);
  PutInt32(header + 8, type);
  out.assign(header, kHeaderBytes);
  out.append(body);
  out.append(terminators, '\0');
}

Bytes BuildPacket(std::int32_t request_id, std::int32_t type, std::string_view body, int terminator_count) {
  Bytes packet;
  BuildPacketInto(packet, request_id, type, body, terminator_count);
  return packet;
}

Bytes BuildAuthPacket(std::string_view password, int terminator_count) {
  return BuildPacket(0, kAuthRequestType, password, terminator_count);
}

Bytes BuildCommandPacket(std::string_view command_utf8, int terminator_count) {
  return BuildPacket(0, kCommandRequestType, command_utf8, terminator_count);
}

std::int32_t ReadInt32At(ByteView bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const std::size_t i = offset + k;
    if (i < bytes.size()) value |= static_cast<std::uint32_t>(ByteAt(bytes, i)) << (8 * k);
  }
  return static_cast<std::int32_t>(value);
}

std::int16_t ReadAuthReplyId(ByteView packet) { return ReadInt16At(packet, 5); }

ByteView ExtractReplyBody(ByteView packet) {
  if (packet.size() <= kHeaderBytes) return ByteView();
  return UpToZero(packet.substr(kHeaderBytes));
}

void PacketFramer::Feed(ByteView chunk) {
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);  // keep the buffer from growing with what was already taken
    start_ = 0;
  }
  buffer_.append(chunk);
}

bool PacketFramer::NextSizeUntrusted() const {
  const ByteView pending = Pending();
  return pending.size() >= 4 && !SizeTrusted(ReadInt32At(pending, 0));
}

std::optional<ByteView> PacketFramer::Next() {
  const ByteView pending = Pending();
  if (pending.size() < 4 || NextSizeUntrusted()) return std::nullopt;
  const std::size_t total = 4 + static_cast<std::size_t>(ReadInt32At(pending, 0));
  if (pending.size() < total) return std::nullopt;
  start_ += total;
  return pending.substr(0, total);
}

ReplyReader::ReplyReader(PacketFramer& framer, std::size_t max_bytes) : framer_(framer), max_bytes_(max_bytes) {
  TakeWhole();
}

void ReplyReader::Feed(ByteView chunk) {
  framer_.Feed(chunk);
  if (!stopped_) TakeWhole();
}

void ReplyReader::CommandSent() {
  sent_ = true;
  begun_before_send_ = PacketBegun();
}

bool ReplyReader::Complete() const {
  return stopped_ || (reply_packets_ > 0 && !awaiting_end_marker_ && !PacketBegun());
}

void ReplyReader::Take(ByteView packet) {
  const ByteView body = ExtractReplyBody(packet);
  if (!sent_ || begun_before_send_) {
    begun_before_send_ = false;
    Append(late_, body);
    return;
  }
  const bool type_two = ReadInt32At(packet, 8) == kAuthResponseType;
  if (reply_packets_ == 0) {
    awaiting_end_marker_ = type_two;
  } else if (type_two && body.empty()) {
    awaiting_end_marker_ = false;
  }
  ++reply_packets_;
  Append(reply_, body);
}

void ReplyReader::TakeWhole() {
  while (const auto packet = framer_.Next()) Take(*packet);
  if (framer_.NextSizeUntrusted()) {
    // The stream cannot be framed any further: what arrived of this packet is all there is.
    TakeUnfinished();
    if (sent_) stopped_ = true;
  }
}

void ReplyReader::TakeUnfinished() {
  if (stopped_ || !PacketBegun()) return;
  const ByteView pending = framer_.Pending();
  if (!sent_ || begun_before_send_) {
    begun_before_send_ = false;
    Append(late_, ExtractReplyBody(pending));
  } else {
    ++reply_packets_;
    Append(reply_, ExtractReplyBody(pending));
  }
  framer_.DropPending();
}

void ReplyReader::Append(Body& to, ByteView body) {
  if (to.cut) return;
  if (max_bytes_ != 0 && body.size() > max_bytes_ - to.bytes.size()) {
    body = body.substr(0, max_bytes_ - to.bytes.size());
    to.cut = true;
  }
  to.bytes += body;
}

Bytes ReplyReader::Finish(Body& body) {
  if (body.cut) {
    // The limit may have cut a UTF-8 character: drop its first bytes rather than show a "?".
    Bytes& b = body.bytes;
    std::size_t lead = b.size();
    while (lead > 0 && b.size() - lead < 3 && (ByteAt(b, lead - 1) & 0xC0) == 0x80) --lead;
    if (lead > 0 && ByteAt(b, lead - 1) >= 0xC0) {
      const std::uint8_t first = ByteAt(b, lead - 1);
      const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
      if (b.size() - (lead - 1) < length) b.resize(lead - 1);
    }
  }
  return std::move(body.bytes);
}

AuthReplyReader::AuthReplyReader(PacketFramer& framer) : framer_(framer) { Scan(); }

void AuthReplyReader::Feed(ByteView chunk) {
  framer_.Feed(chunk);
  Scan();
}

void AuthReplyReader::Scan() {
  while (!Complete()) {
    const auto packet = framer_.Next();
    if (!packet) break;
    if (ReadInt32At(*packet, 8) == kAuthResponseType) reply_ = {AuthReply::Kind::kAnswered, ReadAuthReplyId(*packet)};
  }
  if (!Complete() && framer_.NextSizeUntrusted()) {
    reply_.kind = AuthReply::Kind::kUnreadable;
    framer_.DropPending();
  }
}

AuthReply AuthReplyReader::Reply() const {
  if (Complete()) return reply_;
  // The header of the reply may be here while its body is still on the way.
  const ByteView pending = framer_.Pending();
  if (pending.size() >= kHeaderBytes && ReadInt32At(pending, 8) == kAuthResponseType) {
    return {AuthReply::Kind::kAnswered, ReadAuthReplyId(pending)};
  }
  return {};
}

}  // namespace rcon
