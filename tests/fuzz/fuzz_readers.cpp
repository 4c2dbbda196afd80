// The reply and authentication readers fed any byte stream, cut into any receive chunks.
// Whatever the chunking, the readers must agree with a reader fed the whole stream at once.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "rcon/packet.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::size_t seed = provider.ConsumeIntegralInRange<std::size_t>(0, 255);
  const std::string stream = provider.ConsumeRemainingBytesAsString();

  rcon::ReplyReader whole_reply;
  rcon::AuthReplyReader whole_auth;
  whole_reply.Feed(stream);
  whole_auth.Feed(stream);

  rcon::ReplyReader chunked_reply;
  rcon::AuthReplyReader chunked_auth;
  std::size_t at = 0;
  std::size_t state = seed;
  while (at < stream.size()) {
    state = state * 1103515245u + 12345u;  // chunk lengths from 1 to 64, chosen by the input
    const std::size_t n = 1 + (state >> 16) % 64;
    const std::string_view chunk = std::string_view(stream).substr(at, n);
    chunked_reply.Feed(chunk);
    chunked_auth.Feed(chunk);
    at += chunk.size();
  }

  Check(chunked_reply.Complete() == whole_reply.Complete());
  Check(whole_reply.Body().size() <= stream.size());
  // An untrusted size field ends a reply with what had arrived, so chunks may give less, never other bytes.
  Check(whole_reply.Body().compare(0, chunked_reply.Body().size(), chunked_reply.Body()) == 0);
  Check(chunked_auth.Complete() == whole_auth.Complete());
  Check(chunked_auth.ReplyId() == whole_auth.ReplyId());
  return 0;
}
