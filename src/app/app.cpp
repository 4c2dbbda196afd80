#include "app/app.h"

#include "app/messages.h"
#include "rcon/rcon_client.h"
#include "util/timestamp.h"

namespace rcon {
namespace {

constexpr char kQuote = '"';

// Bytes 0x01 to 0x20 separate arguments.
bool IsSeparator(std::uint8_t b) { return b >= 0x01 && b <= 0x20; }

// Removes every LF byte, stepping over GBK characters whole (a lone lead byte at the end goes
// too). A plain ASCII line without LF, the usual command, is handed back as it is.
Text RemoveLineFeeds(Text line) {
  return IsAscii(line) && line.find('\n') == Text::npos ? line : ReplaceText(line, "\n", "");
}

// Position just past the program name at the start of a command line.
std::size_t SkipProgramName(std::string_view line) {
  if (!line.empty() && line[0] == kQuote) {
    const std::size_t close = line.find(kQuote, 1);
    if (close == std::string_view::npos) return line.size();
    std::size_t next = close + 1;
    if (next < line.size() && line[next] == ' ') ++next;
    return next;
  }
  const std::size_t space = line.find(' ');
  return space == std::string_view::npos ? line.size() : space + 1;
}

// Time-out as the parameter list gives it: the fourth entry, or 0 when there is none.
int TimeoutOf(const ConnectionParameters& parameters) {
  return parameters.size() == 4 ? ToInt(parameters[3]) : 0;
}

bool ParametersUsable(const ConnectionParameters& p) {
  return (p.size() == 3 || p.size() == 4) && IsAllDigits(p[1]) && (p.size() == 3 || IsAllDigits(p[3]));
}

// Prints a final message, waits for Enter, and gives the exit status.
int EndWithMessage(Console& console, const OwnText& message) {
  PrintLine(console, message);
  PrintLine(console, messages::kPressToEnd);
  console.ReadLine();
  return 0;
}

// Appends the time stamp of now, as every header shows it.
void AppendStampNow(Text& out) { AppendTimestamp(out, std::nullopt, 1, 0); }

bool AnyAnswer(std::string_view) { return true; }

bool EmptyOrAllDigits(std::string_view answer) { return answer.empty() || IsAllDigits(answer); }

// Prints the prompt and reads an answer until `accept` takes it, silently asking again;
// nothing when standard input ended first.
std::optional<Text> Ask(Console& console, const OwnText& prompt, bool (*accept)(std::string_view),
                        bool hidden = false) {
  for (;;) {
    PrintLine(console, prompt);
    Text answer = RemoveLineFeeds(hidden ? console.ReadHiddenLine() : console.ReadLine());
    if (console.EndOfInput()) return std::nullopt;
    if (accept(answer)) return answer;
  }
}

// Writes a text made of the program's own words with two numbers between them.
void WriteWithNumbers(Console& console, const std::array<OwnText, 3>& parts, std::size_t first, std::size_t second) {
  console.WriteOutput(0, parts[0]);
  console.WriteOutput(0, std::to_string(first));
  console.WriteOutput(0, parts[1]);
  console.WriteOutput(0, std::to_string(second));
  console.WriteOutput(0, parts[2]);
}

// Writes what a command came to in place of a reply: the reply itself, or the text that says why there is none.
void WriteOutcome(Console& console, const Reply& reply) {
  switch (reply.status) {
    case ReplyStatus::kReceived: return console.WriteReply(reply.text);
    case ReplyStatus::kTimedOut: return console.WriteOutput(0, messages::kTimedOut);
    case ReplyStatus::kLost: return console.WriteOutput(0, messages::kConnectionLost);
    case ReplyStatus::kTooLong:
      return WriteWithNumbers(console, messages::kCommandTooLong, reply.command_bytes, kMaxCommandBytes);
    case ReplyStatus::kDroppedLong:
      return WriteWithNumbers(console, messages::kDroppedLongCommand, reply.command_bytes, kMinecraftMaxCommandBytes);
  }
}

void RunCommandLoop(Console& console, RconClient& client, const ConnectionParameters& parameters) {
  Text header;  // reused: one command after another costs no new buffer
  for (;;) {
    PrintLine(console, messages::kSeparator);
    Text command = RemoveLineFeeds(console.ReadCommand(messages::kCommandPrompt));
    if (console.EndOfInput()) return;
    const std::size_t dropped = console.LastLineDropped();
    header.assign("\r\n[");
    AppendStampNow(header);
    header.append("] \r\n");
    Reply reply = client.Execute(command, TimeoutOf(parameters), parameters.size() == 4);
    reply.command_bytes += dropped;
    // The block is written in pieces: a reply can run to megabytes, and is not copied again.
    // Late replies and what the server sent unasked come first, each on a line of its own.
    console.WriteOutput(0, header);
    for (const Text* before : {&reply.late, &reply.notices}) {
      if (before->empty()) continue;
      console.WriteReply(*before);
      console.WriteOutput(0, "\r\n");
    }
    WriteOutcome(console, reply);
    console.WriteOutput(0, "\r\n");
  }
}

}  // namespace

std::vector<Text> SplitCommandLine(std::string_view line) {
  line = line.substr(0, static_cast<std::size_t>(TextLength(line)));
  std::vector<Text> arguments;
  std::size_t i = SkipProgramName(line);
  while (i < line.size()) {
    if (line[i] == kQuote) {
      Text argument;
      for (++i; i < line.size() && line[i] != kQuote;) {
        const std::size_t n = CharLengthAt(line, i);
        argument.append(line.substr(i, n));
        i += n;
      }
      if (i < line.size()) ++i;  // the closing quote
      arguments.push_back(std::move(argument));
    } else if (IsSeparator(ByteAt(line, i))) {
      ++i;
    } else {
      const std::size_t begin = i;
      while (i < line.size() && line[i] != kQuote && !IsSeparator(ByteAt(line, i))) i += CharLengthAt(line, i);
      arguments.emplace_back(line.substr(begin, i - begin));
    }
  }
  return arguments;
}

bool IsAllDigits(std::string_view text) {
  text = text.substr(0, static_cast<std::size_t>(TextLength(text)));
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void PrintLine(Console& console, std::string_view text) {
  console.WriteOutput(0, text);
  console.WriteOutput(0, "\r\n");
}

void PrintLine(Console& console, const OwnText& text) {
  console.WriteOutput(0, text);
  console.WriteOutput(0, "\r\n");
}

void PrintUsage(Console& console) {
  for (const OwnText& line : messages::kUsage) PrintLine(console, line);
  PrintLine(console);
}

bool PromptForParameters(Console& console, ConnectionParameters& parameters) {
  const std::optional<Text> host = Ask(console, messages::kPromptHost, AnyAnswer);
  if (!host) return false;
  const std::optional<Text> port = Ask(console, messages::kPromptPort, IsAllDigits);
  if (!port) return false;
  const std::optional<Text> password = Ask(console, messages::kPromptPassword, AnyAnswer, /*hidden=*/true);
  if (!password) return false;
  const std::optional<Text> timeout = Ask(console, messages::kPromptTimeout, EmptyOrAllDigits);
  if (!timeout) return false;
  parameters = {*host, *port, *password};
  if (!timeout->empty()) parameters.push_back(*timeout);
  return true;
}

int Main(Console& console, std::vector<Text> arguments, const Surroundings& surroundings) {
  RconClient client(surroundings.page);
  PacketTrace trace(surroundings.trace);
  if (surroundings.trace != nullptr) client.SetTrace(&trace);
  ConnectionParameters parameters = std::move(arguments);
  if (!parameters.empty() && !ParametersUsable(parameters)) PrintUsage(console);
  if (!ParametersUsable(parameters) && !PromptForParameters(console, parameters)) return 0;

  const int login = client.Login(parameters[0], ToInt(parameters[1]), parameters[2], TimeoutOf(parameters),
                                 parameters.size() == 4);
  if (login == 0) return EndWithMessage(console, messages::kWrongPassword);
  if (login == -1) return EndWithMessage(console, messages::kUnreachable);

  console.ClearScreen();
  Text stamp("[");
  AppendStampNow(stamp);
  console.WriteOutput(0, stamp);
  console.WriteOutput(0, messages::kConnectedAfterStamp);
  PrintLine(console, "\r\n");
  RunCommandLoop(console, client, parameters);
  return 0;
}

}  // namespace rcon
