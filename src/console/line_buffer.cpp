#include "console/line_buffer.h"

namespace rcon {

void LineBuffer::Feed(std::string_view chunk) {
  if (dropping_) {
    // The tail of a cut line is counted, never kept: input of any length costs no memory.
    const std::size_t lf = chunk.find('\n');
    if (lf == std::string_view::npos) {
      dropped_ += chunk.size();
      return;
    }
    dropped_ += lf;
    chunk.remove_prefix(lf + 1);
    dropping_ = false;
    cut_ended_ = true;
  }
  if (taken_ > 0) {
    buffer_.erase(0, taken_);
    taken_ = 0;
  }
  buffer_.append(chunk);
}

InputLine LineBuffer::TakeCut() {
  const InputLine line{std::string_view(buffer_).substr(taken_, kept_), dropped_};
  taken_ += kept_;
  dropping_ = cut_ended_ = false;
  kept_ = dropped_ = 0;
  return line;
}

std::optional<InputLine> LineBuffer::Next(std::size_t limit, Long how) {
  if (cut_ended_) return TakeCut();
  if (dropping_) return std::nullopt;
  const std::string_view waiting = std::string_view(buffer_).substr(taken_);
  const std::size_t lf = waiting.find('\n');
  if (lf != std::string_view::npos && lf < limit) {
    taken_ += lf + 1;
    return InputLine{waiting.substr(0, lf + 1)};
  }
  if (waiting.size() < limit) return std::nullopt;  // the line has not ended and still fits
  if (how == Long::kInPieces) {
    taken_ += limit;
    return InputLine{waiting.substr(0, limit)};
  }
  if (lf != std::string_view::npos) {
    taken_ += lf + 1;
    return InputLine{waiting.substr(0, limit), lf - limit};
  }
  kept_ = limit;
  dropped_ = waiting.size() - limit;
  buffer_.resize(taken_ + limit);
  dropping_ = true;
  return std::nullopt;
}

std::optional<InputLine> LineBuffer::Rest() {
  if (dropping_ || cut_ended_) return TakeCut();
  if (taken_ == buffer_.size()) return std::nullopt;
  const std::string_view waiting = std::string_view(buffer_).substr(taken_);
  taken_ = buffer_.size();
  return InputLine{waiting};
}

}  // namespace rcon
