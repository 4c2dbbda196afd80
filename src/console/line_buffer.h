// Standard input cut into lines as it arrives. Pure: bytes in, lines out, whatever pieces the
// input comes in. A line is taken with its LF; a line that has none yet waits for more input,
// and at the end of input what is left is the last line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rcon {

// One line of input: its bytes (the LF included when it has one and it fitted), and how many
// bytes of the line were dropped after them because it was longer than asked for.
struct InputLine {
  std::string_view bytes;
  std::size_t dropped = 0;
};

class LineBuffer {
 public:
  // How a line longer than the limit is taken.
  enum class Long {
    kInPieces,  // in pieces of `limit` bytes, each its own line
    kCut,       // once, when it has ended: its first `limit` bytes, the rest counted and dropped
  };

  // Adds bytes read from the input. Views handed out before are no longer valid.
  void Feed(std::string_view chunk);
  // Takes the next line of at most `limit` bytes (limit > 0); nothing while more input is needed.
  std::optional<InputLine> Next(std::size_t limit, Long how);
  // Takes what is left at the end of the input: the last line, without a LF; nothing when none is left.
  std::optional<InputLine> Rest();

 private:
  InputLine TakeCut();

  std::string buffer_;
  std::size_t taken_ = 0;
  // A line cut at `kept_` bytes: its tail is being dropped (`dropping_`), or it has ended
  // (`cut_ended_`); its first `kept_` bytes wait at `taken_`.
  bool dropping_ = false;
  bool cut_ended_ = false;
  std::size_t kept_ = 0;
  std::size_t dropped_ = 0;
};

}  // namespace rcon
