// A build without libedit: no line editing; the console reads plainly, as from a pipe.
#include "console/line_editor.h"

namespace rcon {

struct LineEditor::State {};

LineEditor::LineEditor() = default;
LineEditor::~LineEditor() = default;

bool LineEditor::Start(std::FILE* /*in*/, std::FILE* /*out*/, const std::string& /*history_file*/) { return false; }

bool LineEditor::Started() const { return false; }

HistoryFileState LineEditor::HistoryState() const { return HistoryFileState::kNone; }

std::optional<std::string> LineEditor::Read(const std::string& /*prompt*/) { return std::nullopt; }

void LineEditor::Remember(const std::string& /*line*/) {}

}  // namespace rcon
