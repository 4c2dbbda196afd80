#include "rcon/packet.h"

namespace rcon {
namespace {

void AppendInt32(Bytes& out, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int k = 0; k < 4; ++k) out += static_cast<char>((u >> (8 * k)) & 0xFFu);
}

bool SizeTrusted(std::int32_t size) { return size >= kMinPacketSize && size <= kMaxPacketSize; }

}  // namespace

Bytes BuildPacket(std::int32_t request_id, std::int32_t type, std::string_view body, int terminator_count) {
  body = body.substr(0, static_cast<std::size_t>(TextLength(body)));
  const int terminators = terminator_count > 0 ? terminator_count : 0;
  Bytes packet;
  packet.reserve(kHeaderBytes + body.size() + static_cast<std::size_t>(terminators));
  AppendInt32(packet, static_cast<std::int32_t>(body.size() + 8 + static_cast<std::size_t>(terminators)));
  AppendInt32(packet, request_id);
  AppendInt32(packet, type);
  packet += body;
  packet.append(static_cast<std::size_t>(terminators), '\0');
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

ByteView ReplyBodyView(ByteView packet) {
  if (packet.size() <= kHeaderBytes) return ByteView();
  const ByteView rest = packet.substr(kHeaderBytes);
  return rest.substr(0, rest.find('\0'));
}

Bytes ExtractReplyBody(ByteView packet) { return Bytes(ReplyBodyView(packet)); }

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

void ReplyReader::Feed(ByteView chunk) {
  if (stopped_ || chunk.empty()) return;
  started_ = true;
  framer_.Feed(chunk);
  while (const auto packet = framer_.Next()) {
    body_ += ReplyBodyView(*packet);
    ++packets_;
  }
  if (framer_.NextSizeUntrusted()) {
    body_ += ReplyBodyView(framer_.Pending());
    stopped_ = true;
  }
}

bool ReplyReader::Complete() const { return stopped_ || (packets_ > 0 && framer_.Pending().empty()); }

Bytes ReplyReader::Body() const {
  if (stopped_) return body_;
  return body_ + Bytes(ReplyBodyView(framer_.Pending()));
}

Bytes ReplyReader::TakeBody() {
  if (!stopped_) body_ += ReplyBodyView(framer_.Pending());
  stopped_ = true;
  return std::move(body_);
}

void AuthReplyReader::Feed(ByteView chunk) {
  if (Complete()) return;
  framer_.Feed(chunk);
  while (const auto packet = framer_.Next()) {
    if (ReadInt32At(*packet, 8) == kAuthResponseType) {
      id_ = ReadAuthReplyId(*packet);
      found_ = true;
      return;
    }
  }
  if (framer_.NextSizeUntrusted()) {
    broken_ = true;
    return;
  }
  // The header of the reply may be here while its body is still on the way.
  const ByteView pending = framer_.Pending();
  if (pending.size() >= kHeaderBytes && ReadInt32At(pending, 8) == kAuthResponseType) id_ = ReadAuthReplyId(pending);
}

std::optional<std::int16_t> AuthReplyReader::ReplyId() const {
  if (broken_) return std::nullopt;
  return id_;
}

}  // namespace rcon
