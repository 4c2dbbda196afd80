#include "rcon/packet.h"

#include <gtest/gtest.h>

#include "rcon/codepage.h"
#include "scripted_server.h"

namespace rcon {
namespace {

using namespace std::string_literals;
using support::ServerPacket;

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
      ServerStream connection;
      ReplyReader reader(connection);
      reader.CommandSent();
      FeedInPieces(reader, c.stream, piece);
      EXPECT_TRUE(reader.Complete()) << c.what << " in pieces of " << piece;
      EXPECT_EQ(reader.TakeReply(), c.body) << c.what << " in pieces of " << piece;
    }
  }
}

TEST(ReplyReaderTest, IsNotCompleteUntilTheFirstPacketIsWhole) {
  const Bytes packet = ServerPacket(0, 0, "hello");
  ServerStream connection;
  ReplyReader reader(connection);
  reader.CommandSent();
  for (std::size_t i = 0; i + 1 < packet.size(); ++i) {
    reader.Feed(packet.substr(i, 1));
    EXPECT_FALSE(reader.Complete()) << "after " << i + 1 << " bytes";
  }
  EXPECT_FALSE(reader.Started());
  reader.Feed(packet.substr(packet.size() - 1));
  EXPECT_TRUE(reader.Complete());
  EXPECT_EQ(reader.TakeReply(), "hello");
}

TEST(ReplyReaderTest, AwaitsATrailingPartialPacketThatArrivedWithTheFirst) {
  const Bytes stream = ServerPacket(0, 0, "first ") + ServerPacket(0, 0, "second");
  ServerStream connection;
  ReplyReader reader(connection);
  reader.CommandSent();
  reader.Feed(stream.substr(0, stream.size() - 3));
  EXPECT_FALSE(reader.Complete());
  reader.Feed(stream.substr(stream.size() - 3));
  EXPECT_TRUE(reader.Complete());
  EXPECT_EQ(reader.TakeReply(), "first second");
}

TEST(ReplyReaderTest, AnEndedConnectionGivesTheBodySoFar) {
  ServerStream connection;
  ReplyReader reader(connection);
  reader.CommandSent();
  reader.Feed(ServerPacket(0, 0, "partial reply").substr(0, 12 + 7));
  EXPECT_FALSE(reader.Started());
  reader.TakeUnfinished();
  EXPECT_TRUE(reader.Started());
  EXPECT_EQ(reader.TakeReply(), "partial");
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
    ServerStream connection;
    ReplyReader reader(connection);
    reader.CommandSent();
    reader.Feed(c.stream);
    EXPECT_TRUE(reader.Complete()) << c.what;
    reader.Feed("later bytes are not part of it");
    EXPECT_EQ(reader.TakeReply(), c.body) << c.what;
  }
}

TEST(ReplyReaderTest, ShortAndEmptyInputIsNotAReply) {
  ServerStream connection;
  ReplyReader reader(connection);
  reader.CommandSent();
  reader.Feed("");
  EXPECT_FALSE(reader.PacketBegun());
  reader.Feed("\x0C\0"s);
  EXPECT_TRUE(reader.PacketBegun());
  EXPECT_FALSE(reader.Complete());
  EXPECT_FALSE(reader.Started());
}

TEST(ReplyReaderTest, ACharacterCutByAPacketBoundaryDecodesWhole) {
  // 中 (E4 B8 AD) split over two packets: decoding the joined bodies once gets it right.
  const Bytes stream = ServerPacket(0, 0, "a\xE4\xB8") + ServerPacket(0, 0, "\xAD" "b");
  ServerStream connection;
  ReplyReader reader(connection);
  reader.CommandSent();
  reader.Feed(stream);
  EXPECT_EQ(Utf8ToGbk(reader.TakeReply()), "a\xD6\xD0" "b");
}

// The stream of one connection over several commands: what arrived before a command was sent
// (`before`), then what arrived after (`after`, cut into one-byte pieces too).
TEST(ReplyReaderTest, LatePacketsNeverTakeAReplysPlace) {
  const Bytes late = ServerPacket(0, 0, "late");
  const Bytes reply = ServerPacket(0, 0, "reply");
  const struct {
    const char* what;
    Bytes before, after;
    Bytes late, reply;
    bool complete;
  } cases[] = {
      {"nothing late", "", reply, "", "reply", true},
      {"a whole late packet", late, reply, "late", "reply", true},
      {"two late packets", late + ServerPacket(0, 0, " too"), reply, "late too", "reply", true},
      {"a late packet begun before the send", late.substr(0, 9), late.substr(9) + reply, "late", "reply", true},
      {"a late packet's header only", late.substr(0, 3), late.substr(3) + reply, "late", "reply", true},
      {"the late packet never finishes", late.substr(0, 14), "", "", "", false},
      {"the late packet finishes, the reply not yet", late.substr(0, 14), late.substr(14) + reply.substr(0, 5), "late",
       "", false},
      {"an empty late packet", ServerPacket(0, 2, ""), reply, "", "reply", true},
      {"a type-2 reply awaits its end marker", "", ServerPacket(0, 2, "out"), "", "out", false},
      {"a type-2 reply with its end marker", "", ServerPacket(0, 2, "out") + ServerPacket(0, 2, ""), "", "out", true},
      {"an empty type-2 reply with its end marker", "", ServerPacket(0, 2, "") + ServerPacket(0, 2, ""), "", "", true},
  };
  for (const auto& c : cases) {
    for (const std::size_t piece : {std::max<std::size_t>(c.after.size(), 1), std::size_t{1}}) {
      ServerStream connection;
      connection.framer.Feed(c.before);
      ReplyReader reader(connection);
      reader.CommandSent();
      FeedInPieces(reader, c.after, piece);
      EXPECT_EQ(reader.Complete(), c.complete) << c.what;
      EXPECT_EQ(reader.TakeLate(), c.late) << c.what;
      EXPECT_EQ(reader.TakeReply(), c.reply) << c.what;
    }
  }
}

TEST(ReplyReaderTest, AReplyCutByTheTimeOutIsTheNextCommandsLateReply) {
  const Bytes cut = ServerPacket(0, 0, "slow reply");
  ServerStream connection;  // lives as long as the connection
  {
    ReplyReader first(connection);
    first.CommandSent();
    first.Feed(cut.substr(0, 16));  // then the time-out passes
    EXPECT_FALSE(first.Started());
  }
  ReplyReader second(connection);
  second.Feed(cut.substr(16));  // arrives before the next command is sent
  second.CommandSent();
  second.Feed(ServerPacket(0, 0, "next"));
  EXPECT_TRUE(second.Complete());
  EXPECT_EQ(second.TakeLate(), "slow reply");  // whole: never its tail alone
  EXPECT_EQ(second.TakeReply(), "next");
}

TEST(ReplyReaderTest, TheReplyLimitKeepsWhatFitsAndStaysInStep) {
  const std::size_t kDefault = kDefaultMaxReplyBytes;
  const struct {
    const char* what;
    std::size_t limit;
    std::size_t reply_bytes;
    std::size_t kept;
  } cases[] = {
      {"at the default", kDefault, kDefault, kDefault},
      {"over the default", kDefault, kDefault + 5000, kDefault},
      {"switched off", 0, kDefault + 5000, kDefault + 5000},
      {"a small limit", 10000, 25000, 10000},
  };
  for (const auto& c : cases) {
    std::string stream;
    for (std::size_t at = 0; at < c.reply_bytes; at += 4000000) {
      stream += ServerPacket(0, 0, std::string(std::min<std::size_t>(4000000, c.reply_bytes - at), 'x'));
    }
    ServerStream connection;
    ReplyReader reader(connection, c.limit);
    reader.CommandSent();
    FeedInPieces(reader, stream, 1 << 20);
    EXPECT_TRUE(reader.Complete()) << c.what;
    EXPECT_EQ(reader.TakeReply().size(), c.kept) << c.what;
    ReplyReader next(connection, c.limit);  // the packets past the limit were framed, not left behind
    next.CommandSent();
    next.Feed(ServerPacket(0, 0, "next"));
    EXPECT_EQ(next.TakeLate(), "") << c.what;
    EXPECT_EQ(next.TakeReply(), "next") << c.what;
  }
  // A limit that falls inside a UTF-8 character keeps none of it.
  ServerStream connection;
  ReplyReader reader(connection, 5);
  reader.CommandSent();
  reader.Feed(ServerPacket(0, 0, "abc\xE4\xB8\xAD"));
  EXPECT_EQ(reader.TakeReply(), "abc");
}

TEST(Utf16UnitsTest, CountsCharactersAndTwiceThoseAboveU10000) {
  EXPECT_EQ(Utf16Units(""), 0u);
  EXPECT_EQ(Utf16Units("abc"), 3u);
  EXPECT_EQ(Utf16Units("\xE4\xB8\xAD\xC3\xA9"), 2u);    // 中é
  EXPECT_EQ(Utf16Units("\xF0\x9F\x98\x80" "a"), 3u);    // an emoji takes two
}

// How a server ends its replies, and what else it sends: the reader must find each reply's end
// from what the server says, in any chunking, and keep probe answers and notices out of it.
TEST(ReplyReaderTest, KnowsEachReplysEndFromWhatTheServerSays) {
  const Bytes full(4096, 'f');
  const Bytes mirror = ServerPacket(kProbeId, 0, "");
  const Bytes follow_up = ServerPacket(kProbeId, 0, "\0\x01\0\0"s);
  const Bytes squad_follow_up = ServerPacket(kProbeId, 0, "") + "\0\x01\0\0\0\0\0"s;
  const Bytes unknown = ServerPacket(kProbeId, 0, "Unknown request 0");
  const struct {
    const char* what;
    bool source_style;  // the login showed Source's empty packet: a probe goes with the command
    Bytes before, after;
    bool wants_probe;   // after `after`, the reader asks for a probe (and then gets `answer`)
    Bytes answer;
    bool complete;
    Bytes late, reply, notices;
  } cases[] = {
      {"Source: whole at the mirror, however the reply is cut", true, "",
       ServerPacket(0, 0, "part one ") + ServerPacket(0, 0, "part two") + mirror + follow_up, false, "", true, "",
       "part one part two", ""},
      {"Source: not whole before the mirror", true, "", ServerPacket(0, 0, "part one"), false, "", false, "", "part one",
       ""},
      {"Source: the last command's follow-up is dropped, never the answer", true, follow_up,
       ServerPacket(0, 0, "reply") + mirror, false, "", true, "", "reply", ""},
      {"Squad: the follow-up's stray bytes go with it", true, "",
       ServerPacket(0, 0, "r") + mirror + squad_follow_up + ServerPacket(0, 1, "[ChatAll] hi"), false, "", true, "",
       "r", "[ChatAll] hi"},
      {"Minecraft: a short packet is the last", false, "", ServerPacket(0, 0, "short"), false, "", true, "", "short", ""},
      {"Minecraft: a full packet asks for a probe", false, "", ServerPacket(0, 0, full), true,
       ServerPacket(0, 0, "rest") + unknown, true, "", full + "rest", ""},
      {"Minecraft: exactly 4096 units and nothing more", false, "", ServerPacket(0, 0, full), true, unknown, true, "",
       full, ""},
      {"notices and empty ones", false, "", ServerPacket(0, 4, "[RCON] list") + ServerPacket(0, 1, "") +
       ServerPacket(-1, 0, "[CHAT] SERVER : hi"), false, "", true, "", "[CHAT] SERVER : hi", "[RCON] list"},
      {"Cuberite: whole at its end marker", false, "", ServerPacket(0, 2, "out") + ServerPacket(0, 2, ""), false, "",
       true, "", "out", ""},
  };
  for (const auto& c : cases) {
    for (const std::size_t piece : {std::max<std::size_t>(c.after.size(), 1), std::size_t{1}, std::size_t{7}}) {
      SCOPED_TRACE(c.what);
      ServerStream connection;
      connection.habits.probe_every_command = c.source_style;
      connection.framer.Feed(c.before);
      if (!c.before.empty()) connection.habits.follow_up_next = true;  // the mirror came with the last reply
      ReplyReader reader(connection);
      reader.CommandSent(c.source_style);
      FeedInPieces(reader, c.after, piece);
      EXPECT_EQ(reader.WantsProbe(), c.wants_probe);
      if (reader.WantsProbe()) {
        reader.ProbeSent();
        EXPECT_FALSE(reader.Complete());
        FeedInPieces(reader, c.answer, piece);
      }
      EXPECT_EQ(reader.Complete(), c.complete);
      EXPECT_EQ(reader.TakeLate(), c.late);
      EXPECT_EQ(reader.TakeReply(), c.reply);
      EXPECT_EQ(reader.TakeNotices(), c.notices);
    }
  }
}

TEST(ReplyReaderTest, RepliesAheadOfEarlierProbesAnswersAreLate) {
  // A Source command timed out; its reply and its probe's answers come with the next command.
  ServerStream connection;
  connection.habits.probe_every_command = true;
  {
    ReplyReader slow(connection);
    slow.CommandSent(true);
  }
  ReplyReader next(connection);
  next.CommandSent(true);
  next.Feed(ServerPacket(0, 0, "slow") + ServerPacket(kProbeId, 0, "") + ServerPacket(kProbeId, 0, "\0\x01\0\0"s) +
            ServerPacket(0, 0, "next"));
  EXPECT_FALSE(next.Complete());
  next.Feed(ServerPacket(kProbeId, 0, ""));
  EXPECT_TRUE(next.Complete());
  EXPECT_EQ(next.TakeLate(), "slow");
  EXPECT_EQ(next.TakeReply(), "next");
}

TEST(ReplyReaderTest, WhatATimeOutTeachesAboutTheServer) {
  // A probe unanswered while the reply came (Factorio): no more probes on this connection.
  ServerStream factorio;
  factorio.habits.probe_every_command = true;
  ReplyReader first(factorio);
  first.CommandSent(true);
  first.Feed(ServerPacket(0, 0, "reply"));
  EXPECT_FALSE(first.Complete());
  first.TimedOut();
  EXPECT_FALSE(factorio.habits.probes_answered);
  ReplyReader second(factorio);
  second.CommandSent(false);
  second.Feed(ServerPacket(0, 0, "then"));
  EXPECT_TRUE(second.Complete());
  // A silent command keeps them: nothing came, so nothing is learnt.
  ServerStream source;
  ReplyReader silent(source);
  silent.CommandSent(true);
  silent.TimedOut();
  EXPECT_TRUE(source.habits.probes_answered);
  // Type-2 replies without an end marker (or with it first): none is awaited after one time-out.
  ServerStream markerless;
  ReplyReader waiting(markerless);
  waiting.CommandSent();
  waiting.Feed(ServerPacket(0, 2, "out"));
  EXPECT_FALSE(waiting.Complete());
  waiting.TimedOut();
  ReplyReader after(markerless);
  after.CommandSent();
  after.Feed(ServerPacket(0, 2, "more"));
  EXPECT_TRUE(after.Complete());
}

TEST(AuthReplyReaderTest, FindsTheFirstTypeTwoPacket) {
  using Kind = AuthReply::Kind;
  const struct {
    const char* what;
    Bytes stream;
    Kind kind;
    std::int16_t id;
  } cases[] = {
      {"Minecraft-style success", ServerPacket(0, 2, ""), Kind::kAnswered, 0},
      {"Minecraft-style refusal", ServerPacket(-1, 2, ""), Kind::kAnswered, -1},
      {"Source-style success", ServerPacket(0, 0, "") + ServerPacket(0, 2, ""), Kind::kAnswered, 0},
      {"Source-style refusal", ServerPacket(0, 0, "") + ServerPacket(-1, 2, ""), Kind::kAnswered, -1},
      {"id 5", ServerPacket(5, 2, ""), Kind::kAnswered, 5},
      {"only 16 bits count", ServerPacket(0x0001FFFE, 2, ""), Kind::kAnswered, -2},
      {"an empty response alone is no reply", ServerPacket(0, 0, ""), Kind::kNone, 0},
      {"a header without its body still tells the id", ServerPacket(-1, 2, "").substr(0, 12), Kind::kAnswered, -1},
      {"an untrusted size is no reply", "\xFF\xFF\xFF\x7F\0\0\0\0\x02\0\0\0"s, Kind::kUnreadable, 0},
  };
  for (const auto& c : cases) {
    for (const std::size_t piece : {c.stream.size(), std::size_t{1}, std::size_t{5}}) {
      ServerStream connection;
      AuthReplyReader reader(connection);
      FeedInPieces(reader, c.stream, piece);
      EXPECT_EQ(reader.Reply().kind, c.kind) << c.what << " in pieces of " << piece;
      if (c.kind == Kind::kAnswered) {
        EXPECT_EQ(reader.Reply().id, c.id) << c.what << " in pieces of " << piece;
      }
    }
  }
}

TEST(AuthReplyReaderTest, SourcesEmptyPacketFirstMeansProbingEveryCommand) {
  for (const bool source : {false, true}) {
    ServerStream connection;
    AuthReplyReader reader(connection);
    reader.Feed((source ? ServerPacket(0, 0, "") : "") + ServerPacket(0, 2, ""));
    EXPECT_TRUE(reader.Complete());
    EXPECT_EQ(connection.habits.probe_every_command, source);
  }
}

TEST(AuthReplyReaderTest, WhatFollowsTheReplyStaysOnTheStream) {
  ServerStream connection;
  connection.framer.Feed(ServerPacket(0, 2, "") + ServerPacket(0, 0, "welcome"));
  AuthReplyReader auth(connection);
  EXPECT_TRUE(auth.Complete());
  ReplyReader reader(connection);
  reader.CommandSent();
  reader.Feed(ServerPacket(0, 0, "reply"));
  EXPECT_EQ(reader.TakeLate(), "welcome");
  EXPECT_EQ(reader.TakeReply(), "reply");
}

}  // namespace
}  // namespace rcon
