#include "rcon/packet.h"

#include <algorithm>

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

Bytes BuildProbePacket(int terminator_count) { return BuildPacket(kProbeId, kResponseValueType, "", terminator_count); }

std::size_t Utf16Units(ByteView utf8) {
  // Each character counts at its first byte (any but 80-BF), twice from F0 up: one pass without
  // branches, which the compiler can run over many bytes at once.
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto b = static_cast<std::uint8_t>(c);
    units += static_cast<std::size_t>(b < 0x80 || b >= 0xC0) + static_cast<std::size_t>(b >= 0xF0);
  }
  return units;
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

void PacketFramer::DropPending() {
  if (observer_ != nullptr && start_ < buffer_.size()) observer_(context_, Pending(), false);
  start_ = buffer_.size();
}

bool PacketFramer::DropStray() {
  if (stray_.empty()) return true;
  const ByteView pending = Pending();
  const std::size_t n = std::min(pending.size(), stray_.size());
  if (pending.substr(0, n) != stray_.substr(0, n)) {
    stray_ = {};  // not there after all: the stream goes on as it is
    return true;
  }
  if (n < stray_.size()) return false;
  if (observer_ != nullptr) observer_(context_, pending.substr(0, n), false);
  start_ += n;
  stray_ = {};
  return true;
}

bool PacketFramer::NextSizeUntrusted() const {
  const ByteView pending = Pending();
  return stray_.empty() && pending.size() >= 4 && !SizeTrusted(ReadInt32At(pending, 0));
}

std::optional<ByteView> PacketFramer::Next() {
  if (!DropStray()) return std::nullopt;
  const ByteView pending = Pending();
  if (pending.size() < 4 || NextSizeUntrusted()) return std::nullopt;
  const std::size_t total = 4 + static_cast<std::size_t>(ReadInt32At(pending, 0));
  if (pending.size() < total) return std::nullopt;
  start_ += total;
  const ByteView packet = pending.substr(0, total);
  if (observer_ != nullptr) observer_(context_, packet, true);
  return packet;
}

ReplyReader::ReplyReader(ServerStream& stream, std::size_t max_bytes)
    : framer_(stream.framer), habits_(stream.habits), max_bytes_(max_bytes) {
  TakeWhole();
}

void ReplyReader::Feed(ByteView chunk) {
  framer_.Feed(chunk);
  if (!stopped_) TakeWhole();
}

void ReplyReader::CommandSent(bool with_probe) {
  sent_ = true;
  begun_before_send_ = PacketBegun();
  earlier_probes_ = habits_.probes_out;
  if (with_probe) ProbeSent();
}

void ReplyReader::ProbeSent() {
  ++habits_.probes_out;
  probe_out_ = true;
}

bool ReplyReader::LastFull() const {
  if (!last_full_) {
    const ByteView all = reply_.bytes;
    last_full_ = !reply_.cut && last_size_ >= kFullPacketUnits && last_size_ <= 3 * kFullPacketUnits &&
                 last_size_ <= all.size() && Utf16Units(all.substr(all.size() - last_size_)) == kFullPacketUnits;
  }
  return *last_full_;
}

bool ReplyReader::WantsProbe() const {
  return sent_ && !probe_out_ && !stopped_ && reply_packets_ > 0 && !type_two_reply_ && !PacketBegun() &&
         habits_.probes_answered && LastFull();
}

bool ReplyReader::Complete() const {
  if (stopped_) return true;
  if (probe_out_) return probe_answered_;
  if (reply_packets_ == 0 || PacketBegun()) return false;
  if (type_two_reply_) return end_marker_seen_;
  return !habits_.probes_answered || !LastFull();
}

void ReplyReader::TimedOut() {
  if (probe_out_ && !probe_answered_ && reply_packets_ > 0) {
    // The reply came and the probe's answer did not: this server leaves probes unanswered.
    habits_.probes_answered = false;
    habits_.probes_out = 0;
  }
  if (type_two_reply_ && !end_marker_seen_) habits_.end_marker = false;
}

void ReplyReader::TakeProbeAnswer(ByteView packet, ByteView body) {
  if (habits_.follow_up_next) {
    // Source sends a second packet after the mirror; Squad's carries 7 more bytes past its size.
    habits_.follow_up_next = false;
    if (ReadInt32At(packet, 0) == 10) framer_.SkipStray(kSquadStray);
    return;
  }
  if (habits_.probes_out > 0) --habits_.probes_out;
  habits_.follow_up_next = body.empty() && ReadInt32At(packet, 8) == kResponseValueType;
  if (!sent_) return;  // the answer to an earlier command's probe
  if (earlier_probes_ > 0) {
    --earlier_probes_;
  } else if (probe_out_) {
    probe_answered_ = true;
  }
}

void ReplyReader::Take(ByteView packet) {
  const ByteView body = ExtractReplyBody(packet);
  const std::int32_t type = ReadInt32At(packet, 8);
  if (ReadInt32At(packet, 4) == kProbeId) return TakeProbeAnswer(packet, body);
  if (type != kResponseValueType && type != kAuthResponseType) {
    if (body.empty()) return;
    if (!notices_.bytes.empty()) Append(notices_, "\r\n");
    Append(notices_, body);
    return;
  }
  if (!sent_ || begun_before_send_ || earlier_probes_ > 0) {
    begun_before_send_ = false;
    Append(late_, body);
    return;
  }
  if (reply_packets_ == 0) {
    type_two_reply_ = type == kAuthResponseType && habits_.end_marker;
  } else if (type_two_reply_ && type == kAuthResponseType && body.empty()) {
    end_marker_seen_ = true;
  }
  // A body of exactly 4096 units holds 4096 to 12288 bytes (one to three a unit); whether it
  // does is counted only when it decides something (LastFull).
  last_size_ = body.size();
  last_full_ = std::nullopt;
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
  Body& to = !sent_ || begun_before_send_ || earlier_probes_ > 0 ? late_ : reply_;
  begun_before_send_ = false;
  if (&to == &reply_) ++reply_packets_;
  Append(to, ExtractReplyBody(pending));
  to.cut = true;  // it ended inside a character, maybe: that character is not shown
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
    // The limit, or the end of the stream, may have cut a UTF-8 character: drop its first
    // bytes rather than show a "?".
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

AuthReplyReader::AuthReplyReader(ServerStream& stream) : framer_(stream.framer), habits_(stream.habits) { Scan(); }

void AuthReplyReader::Feed(ByteView chunk) {
  framer_.Feed(chunk);
  Scan();
}

void AuthReplyReader::Scan() {
  while (!Complete()) {
    const auto packet = framer_.Next();
    if (!packet) break;
    const std::int32_t type = ReadInt32At(*packet, 8);
    if (type == kAuthResponseType) {
      reply_ = {AuthReply::Kind::kAnswered, ReadAuthReplyId(*packet)};
    } else if (type == kResponseValueType && ExtractReplyBody(*packet).empty()) {
      habits_.probe_every_command = true;  // Source's empty response value ahead of the reply
    }
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
