// The reply and authentication readers fed any byte stream of one connection, cut into any
// receive chunks, with the command sent at any point and any reply limit. Whatever the
// chunking, a stream that can be framed must give the same late text and reply as a reader
// fed it in two pieces; no text may pass its limit or hold bytes the stream did not. (Once a
// size field cannot be trusted, what arrived so far is dropped: that depends on the chunking.)
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "rcon/packet.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Outcome {
  rcon::Bytes late, reply, notices;
  bool complete = false;
  bool wants_probe = false;
  bool gave_up = false;  // a size field could not be trusted, so the bytes so far were dropped
};

// Sees the bytes a framer drops: any but Squad's stray ones mean it gave up on the stream.
void NoteDropped(void* gave_up, rcon::ByteView bytes, bool framed) {
  if (!framed && bytes != rcon::kSquadStray) *static_cast<bool*>(gave_up) = true;
}

// Feeds the stream up to `sent_at`, marks the command sent, feeds the rest; chunks from the seed (0: whole pieces).
Outcome Read(std::string_view stream, std::size_t sent_at, std::size_t limit, std::size_t seed, bool ended,
             bool source_style) {
  Outcome o;
  rcon::ServerStream connection;
  connection.habits.probe_every_command = source_style;
  connection.framer.Observe(NoteDropped, &o.gave_up);
  rcon::ReplyReader reader(connection, limit);
  std::size_t state = seed;
  auto feed = [&](std::string_view part) {
    for (std::size_t at = 0; at < part.size();) {
      state = state * 1103515245u + 12345u;  // chunk lengths from 1 to 64, chosen by the input
      const std::size_t n = seed == 0 ? part.size() : 1 + (state >> 16) % 64;
      reader.Feed(part.substr(at, n));
      at += n;
    }
  };
  feed(stream.substr(0, sent_at));
  reader.CommandSent(source_style);
  feed(stream.substr(sent_at));
  connection.framer.Observe(nullptr, nullptr);
  o.complete = reader.Complete();
  o.wants_probe = reader.WantsProbe();
  if (ended) reader.TakeUnfinished();
  o.late = reader.TakeLate();
  o.reply = reader.TakeReply();
  o.notices = reader.TakeNotices();
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::size_t seed = provider.ConsumeIntegralInRange<std::size_t>(1, 255);
  const std::size_t limit = provider.ConsumeIntegralInRange<std::size_t>(0, 300);
  const bool ended = provider.ConsumeBool();
  const bool source_style = provider.ConsumeBool();
  const std::string stream = provider.ConsumeRemainingBytesAsString();
  const std::size_t sent_at = stream.empty() ? 0 : seed * 7919 % (stream.size() + 1);

  const Outcome whole = Read(stream, sent_at, limit, 0, ended, source_style);
  const Outcome chunked = Read(stream, sent_at, limit, seed, ended, source_style);
  for (const Outcome* o : {&whole, &chunked}) {
    Check(o->late.size() + o->reply.size() + o->notices.size() <= 2 * stream.size());  // notices add line ends
    Check(limit == 0 || (o->late.size() <= limit && o->reply.size() <= limit));
  }
  if (!whole.gave_up && !chunked.gave_up) {
    Check(chunked.complete == whole.complete);
    Check(chunked.wants_probe == whole.wants_probe);
    Check(chunked.late == whole.late);
    Check(chunked.reply == whole.reply);
    Check(chunked.notices == whole.notices);
  }

  rcon::ServerStream whole_connection, chunked_connection;
  rcon::AuthReplyReader whole_auth(whole_connection), chunked_auth(chunked_connection);
  whole_auth.Feed(stream);
  std::size_t state = seed;
  for (std::size_t at = 0; at < stream.size();) {
    state = state * 1103515245u + 12345u;
    const std::size_t n = 1 + (state >> 16) % 64;
    chunked_auth.Feed(std::string_view(stream).substr(at, n));
    at += n;
  }
  Check(chunked_auth.Complete() == whole_auth.Complete());
  Check(chunked_auth.Reply().kind == whole_auth.Reply().kind);
  Check(chunked_auth.Reply().id == whole_auth.Reply().id);
  return 0;
}
