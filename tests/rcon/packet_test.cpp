#include "rcon/packet.h"

#include <gtest/gtest.h>

#include "rcon/codepage.h"
#include "scripted_server.h"

namespace rcon {
namespace {

using namespace std::string_literals;
using testing::ServerPacket;

TEST(BuildPacketTest, SizeCountsEveryByteAfterIt) {
  const struct {
    Bytes packet, expected;
  } cases[] = {
      {BuildAuthPacket("passwd", 1), "\x0F\0\0\0" "\0\0\0\0" "\x03\0\0\0" "passwd\0"s},
      {BuildAuthPacket("passwd", 2), "\x10\0\0\0" "\0\0\0\0" "\x03\0\0\0" "passwd\0\0"s},
      {BuildCommandPacket("list", 1), "\x0D\0\0\0" "\0\0\0\0" "\x02\0\0\0" "list\0"s},
      {BuildCommandPacket("", 1), "\x09\0\0\0" "\0\0\0\0" "\x02\0\0\0" "\0"s},
      {BuildCommandPacket("", 2), "\x0A\0\0\0" "\0\0\0\0" "\x02\0\0\0" "\0\0"s},
      {BuildCommandPacket("ab\0cd"s, 1), "\x0B\0\0\0" "\0\0\0\0" "\x02\0\0\0" "ab\0"s},
  };
  for (const auto& c : cases) EXPECT_EQ(c.packet, c.expected);
}

TEST(BuildPacketTest, LongBodiesWriteAllFourSizeBytes) {
  const Bytes p247 = BuildCommandPacket(std::string(247, 'x'), 1);
  EXPECT_EQ(p247.substr(0, 4), "\0\x01\0\0"s);
  EXPECT_EQ(p247.size(), 12u + 247u + 1u);
  const Bytes big = BuildCommandPacket(std::string(70000, 'x'), 2);
  EXPECT_EQ(ReadInt32At(big, 0), 70010);
  EXPECT_EQ(big.size(), 4u + 70010u);
}

TEST(ReadAuthReplyIdTest, ReadsTheLowHalfOfTheRequestId) {
  EXPECT_EQ(ReadAuthReplyId("\x04\0\xFF\xFF\xFF\xFF"s), -1);
  EXPECT_EQ(ReadAuthReplyId("\x0A\0\0\0\x05\0\0\0"s), 5);
  EXPECT_EQ(ReadAuthReplyId("\x0A\0"s), 0);
  EXPECT_EQ(ReadAuthReplyId(""), 0);
}

// Feeds the stream to a reader in pieces of `piece` bytes.
template <typename Reader>
void FeedInPieces(Reader& reader, std::string_view stream, std::size_t piece) {
  for (std::size_t at = 0; at < stream.size(); at += piece) reader.Feed(stream.substr(at, piece));
}

struct ReplyCase {
  const char* what;
  Bytes stream;
  Bytes body;
};

TEST(ReplyReaderTest, GathersWholeRepliesInAnyChunking) {
  std::string long_body(10000, 'a');
  std::string split_body;
  std::string split_stream;
  for (const std::size_t n : {4096u, 4096u, 1808u}) {
    const std::string part(n, static_cast<char>('a' + split_body.size() % 26));
    split_body += part;
    split_stream += ServerPacket(0, 0, part);
  }
  const ReplyCase cases[] = {
      {"short reply", ServerPacket(0, 0, "hi"), "hi"},
      {"empty reply", ServerPacket(0, 0, ""), ""},
      {"size 256, body 246", ServerPacket(0, 0, std::string(246, 'q')), std::string(246, 'q')},
      {"size 300", ServerPacket(7, 0, std::string(290, 'r')), std::string(290, 'r')},
      {"10000-byte body", ServerPacket(0, 0, long_body), long_body},
      {"split into 4096 + 4096 + 1808", split_stream, split_body},
      {"one terminator only", "\x0B\0\0\0\0\0\0\0\0\0\0\0ok\0"s, "ok"},
      {"body ends at its first zero byte", ServerPacket(0, 0, "ab\0cd"s), "ab"},
      {"size 8: no body bytes at all", "\x08\0\0\0\0\0\0\0\0\0\0\0"s, ""},
  };
  for (const ReplyCase& c : cases) {
    for (const std::size_t piece : {c.stream.size(), std::size_t{1}, std::size_t{3}, std::size_t{4096}, std::size_t{20480}}) {
      ReplyReader reader;
      FeedInPieces(reader, c.stream, piece);
      EXPECT_TRUE(reader.Complete()) << c.what << " in pieces of " << piece;
      EXPECT_EQ(reader.Body(), c.body) << c.what << " in pieces of " << piece;
    }
  }
}

TEST(ReplyReaderTest, IsNotCompleteUntilTheFirstPacketIsWhole) {
  const Bytes packet = ServerPacket(0, 0, "hello");
  ReplyReader reader;
  EXPECT_FALSE(reader.Started());
  for (std::size_t i = 0; i + 1 < packet.size(); ++i) {
    reader.Feed(packet.substr(i, 1));
    EXPECT_FALSE(reader.Complete()) << "after " << i + 1 << " bytes";
  }
  EXPECT_TRUE(reader.Started());
  EXPECT_EQ(reader.Body(), "hello");  // the body so far: the last terminator is still missing
  reader.Feed(packet.substr(packet.size() - 1));
  EXPECT_TRUE(reader.Complete());
}

TEST(ReplyReaderTest, AwaitsATrailingPartialPacketThatArrivedWithTheFirst) {
  const Bytes stream = ServerPacket(0, 0, "first ") + ServerPacket(0, 0, "second");
  ReplyReader reader;
  reader.Feed(stream.substr(0, stream.size() - 3));
  EXPECT_FALSE(reader.Complete());
  EXPECT_EQ(reader.Body(), "first secon");  // the second body so far
  reader.Feed(stream.substr(stream.size() - 3));
  EXPECT_TRUE(reader.Complete());
  EXPECT_EQ(reader.Body(), "first second");
}

TEST(ReplyReaderTest, UntrustedSizesEndTheReplyWithWhatArrived) {
  const struct {
    const char* what;
    Bytes stream;
    Bytes body;
  } cases[] = {
      {"size 0x7fffffff", "\xFF\xFF\xFF\x7F\0\0\0\0\0\0\0\0abc\0zzz"s, "abc"},
      {"negative size", "\xFE\xFF\xFF\xFF\0\0\0\0\0\0\0\0neg"s, "neg"},
      {"size 0", "\0\0\0\0\0\0\0\0\0\0\0\0x\0"s, "x"},
      {"size 7", "\x07\0\0\0\0\0\0\0\0\0\0"s, ""},
      {"second packet untrusted", ServerPacket(0, 0, "ok ") + "\xFF\xFF\xFF\x7F\0\0\0\0\0\0\0\0more\0"s, "ok more"},
  };
  for (const auto& c : cases) {
    ReplyReader reader;
    reader.Feed(c.stream);
    EXPECT_TRUE(reader.Complete()) << c.what;
    EXPECT_EQ(reader.Body(), c.body) << c.what;
    reader.Feed("later bytes are not part of it");
    EXPECT_EQ(reader.Body(), c.body) << c.what;
  }
}

TEST(ReplyReaderTest, ShortAndEmptyInputIsNotAReply) {
  ReplyReader reader;
  reader.Feed("");
  EXPECT_FALSE(reader.Started());
  reader.Feed("\x0C\0"s);
  EXPECT_FALSE(reader.Complete());
  EXPECT_EQ(reader.Body(), "");
}

TEST(ReplyReaderTest, ACharacterCutByAPacketBoundaryDecodesWhole) {
  // 中 (E4 B8 AD) split over two packets: decoding the joined bodies once gets it right.
  const Bytes stream = ServerPacket(0, 0, "a\xE4\xB8") + ServerPacket(0, 0, "\xAD" "b");
  ReplyReader reader;
  reader.Feed(stream);
  EXPECT_EQ(Utf8ToGbk(reader.Body()), "a\xD6\xD0" "b");
}

TEST(AuthReplyReaderTest, FindsTheFirstTypeTwoPacket) {
  const struct {
    const char* what;
    Bytes stream;
    std::optional<std::int16_t> id;
  } cases[] = {
      {"Minecraft-style success", ServerPacket(0, 2, ""), 0},
      {"Minecraft-style refusal", ServerPacket(-1, 2, ""), -1},
      {"Source-style success", ServerPacket(0, 0, "") + ServerPacket(0, 2, ""), 0},
      {"Source-style refusal", ServerPacket(0, 0, "") + ServerPacket(-1, 2, ""), -1},
      {"id 5", ServerPacket(5, 2, ""), 5},
      {"only 16 bits count", ServerPacket(0x0001FFFE, 2, ""), -2},
      {"trailing bytes ignored", ServerPacket(3, 2, "") + "junk", 3},
  };
  for (const auto& c : cases) {
    for (const std::size_t piece : {c.stream.size(), std::size_t{1}, std::size_t{5}}) {
      AuthReplyReader reader;
      FeedInPieces(reader, c.stream, piece);
      EXPECT_TRUE(reader.Complete()) << c.what;
      EXPECT_EQ(reader.ReplyId(), c.id) << c.what << " in pieces of " << piece;
    }
  }
}

TEST(AuthReplyReaderTest, AnEmptyResponseAloneIsNoAuthReply) {
  AuthReplyReader reader;
  reader.Feed(ServerPacket(0, 0, ""));
  EXPECT_FALSE(reader.Complete());
  EXPECT_EQ(reader.ReplyId(), std::nullopt);
}

TEST(AuthReplyReaderTest, AHeaderWithoutItsBodyStillTellsTheId) {
  AuthReplyReader reader;
  reader.Feed(ServerPacket(-1, 2, "").substr(0, 12));
  EXPECT_FALSE(reader.Complete());
  EXPECT_EQ(reader.ReplyId(), -1);
}

TEST(AuthReplyReaderTest, AnUntrustedSizeIsNoReply) {
  AuthReplyReader reader;
  reader.Feed("\xFF\xFF\xFF\x7F\0\0\0\0\x02\0\0\0"s);
  EXPECT_TRUE(reader.Complete());
  EXPECT_EQ(reader.ReplyId(), std::nullopt);
}

}  // namespace
}  // namespace rcon
