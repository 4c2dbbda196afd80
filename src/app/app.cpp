#include "app/app.h"

#include "app/command_line.h"
#include "app/messages.h"
#include "app/options.h"
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

// Prints a final message and waits for Enter.
void EndWithMessage(Console& console, const OwnText& message) {
  PrintLine(console, message);
  PrintLine(console, messages::kPressToEnd);
  console.ReadLine();
}

// Appends the time stamp of now, as every header shows it.
void AppendStampNow(Text& out) { AppendTimestamp(out, std::nullopt, 1, 0); }

bool AnyAnswer(std::string_view) { return true; }

bool EmptyOrAllDigits(std::string_view answer) { return answer.empty() || IsAllDigits(answer); }

// Writes a text made of the program's own words with two numbers between them.
void WriteWithNumbers(Console& console, int direction, const std::array<OwnText, 3>& parts, std::size_t first,
                      std::size_t second) {
  console.WriteOutput(direction, parts[0]);
  console.WriteOutput(direction, std::to_string(first));
  console.WriteOutput(direction, parts[1]);
  console.WriteOutput(direction, std::to_string(second));
  console.WriteOutput(direction, parts[2]);
}

// Writes the text that says why a command has no reply (a time-out, a lost connection...).
void WriteNoReply(Console& console, int direction, const Reply& reply) {
  switch (reply.status) {
    case ReplyStatus::kReceived: return;
    case ReplyStatus::kTimedOut: return console.WriteOutput(direction, messages::kTimedOut);
    case ReplyStatus::kLost: return console.WriteOutput(direction, messages::kConnectionLost);
    case ReplyStatus::kTooLong:
      return WriteWithNumbers(console, direction, messages::kCommandTooLong, reply.command_bytes, kMaxCommandBytes);
    case ReplyStatus::kDroppedLong:
      return WriteWithNumbers(console, direction, messages::kDroppedLongCommand, reply.command_bytes,
                              kMinecraftMaxCommandBytes);
  }
}

// Runs the command loop to the end of the input; tells whether every command was answered.
bool RunCommandLoop(Console& console, RconClient& client, const ConnectionParameters& parameters) {
  Text header;  // reused: one command after another costs no new buffer
  bool all_answered = true;
  for (;;) {
    PrintLine(console, messages::kSeparator);
    Text command = RemoveLineFeeds(console.ReadCommand(messages::kCommandPrompt));
    if (console.EndOfInput()) return all_answered;
    const std::size_t dropped = console.LastLineDropped();
    header.assign("\r\n[");
    AppendStampNow(header);
    header.append("] \r\n");
    Reply reply = client.Execute(command, TimeoutOf(parameters), parameters.size() == 4);
    reply.command_bytes += dropped;
    all_answered = all_answered && reply.status == ReplyStatus::kReceived;
    // The block is written in pieces: a reply can run to megabytes, and is not copied again.
    // Late replies and what the server sent unasked come first, each on a line of its own.
    console.WriteOutput(0, header);
    for (const Text* before : {&reply.late, &reply.notices}) {
      if (before->empty()) continue;
      console.WriteReply(*before);
      console.WriteOutput(0, "\r\n");
    }
    if (reply.status == ReplyStatus::kReceived) {
      console.WriteReply(reply.text);
    } else {
      WriteNoReply(console, 0, reply);
    }
    console.WriteOutput(0, "\r\n");
  }
}

// Logs in and runs the session: the classic program once its parameters are settled. The exit
// status tells what happened only when `reports` (options were given); otherwise it is 0.
int RunSession(Console& console, RconClient& client, const ConnectionParameters& parameters, bool reports) {
  const int login = client.Login(parameters[0], ToInt(parameters[1]), parameters[2], TimeoutOf(parameters),
                                 parameters.size() == 4);
  if (login == 0 || login == -1) {
    EndWithMessage(console, login == 0 ? messages::kWrongPassword : messages::kUnreachable);
    return !reports ? kExitOk : login == 0 ? kExitWrongPassword : kExitUnreachable;
  }

  console.ClearScreen();
  Text stamp("[");
  AppendStampNow(stamp);
  console.WriteOutput(0, stamp);
  console.WriteOutput(0, messages::kConnectedAfterStamp);
  PrintLine(console, "\r\n");
  const bool all_answered = RunCommandLoop(console, client, parameters);
  return reports && !all_answered ? kExitUnanswered : kExitOk;
}

// Logs in, runs each command in turn and prints its reply: nothing else goes to standard output,
// and what went wrong goes to standard error.
int RunOneShot(Console& console, RconClient& client, const RunPlan& plan) {
  const ConnectionParameters& p = plan.parameters;
  const int login = client.Login(p[0], ToInt(p[1]), p[2], TimeoutOf(p), p.size() == 4);
  if (login == 0 || login == -1) {
    console.WriteOutput(2, login == 0 ? messages::kWrongPassword : messages::kUnreachable);
    console.WriteOutput(2, "\n");
    return login == 0 ? kExitWrongPassword : kExitUnreachable;
  }
  int status = kExitOk;
  for (Text command : plan.commands) {
    const Reply reply = client.Execute(command, TimeoutOf(p), p.size() == 4);
    // A late reply belongs to an earlier command: it is printed, a reply of its own, ahead of this one.
    for (const Text* text : {&reply.late, &reply.text}) {
      if (text->empty()) continue;
      console.WriteReply(*text, plan.raw);
      console.WriteOutput(0, "\n");
    }
    if (!reply.notices.empty()) {
      console.WriteOutput(2, reply.notices);
      console.WriteOutput(2, "\n");
    }
    if (reply.status != ReplyStatus::kReceived) {
      status = kExitUnanswered;
      WriteNoReply(console, 2, reply);
      console.WriteOutput(2, "\n");
    }
  }
  return status;
}

}  // namespace

// Prints the prompt and reads an answer until `accept` takes it, silently asking again;
// nothing when standard input ended first.
std::optional<Text> Ask(Console& console, const OwnText& prompt, bool (*accept)(std::string_view), bool hidden,
                        int direction) {
  for (;;) {
    console.WriteOutput(direction, prompt);
    console.WriteOutput(direction, "\r\n");
    Text answer = RemoveLineFeeds(hidden ? console.ReadHiddenLine() : console.ReadLine());
    if (console.EndOfInput()) return std::nullopt;
    if (accept(answer)) return answer;
  }
}

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
  if (arguments.empty() || !LooksLikeOption(arguments[0])) {
    // No option: the program as it always was, but that HOST PORT logs in with RCON_PASSWORD.
    ConnectionParameters parameters = std::move(arguments);
    if (parameters.size() == 2 && IsAllDigits(parameters[1]) && surroundings.password) {
      parameters.push_back(*surroundings.password);
    }
    if (!parameters.empty() && !ParametersUsable(parameters)) PrintUsage(console);
    if (!ParametersUsable(parameters) && !PromptForParameters(console, parameters)) return kExitOk;
    return RunSession(console, client, parameters, false);
  }
  OptionError error;
  const std::optional<Options> options = ParseOptions(arguments, error);
  if (!options) {
    static constexpr const OwnText* kWhat[] = {&messages::kUnknownOption, &messages::kAmbiguousOption,
                                               &messages::kMissingValue, &messages::kUnexpectedValue};
    return Complain(console, *kWhat[static_cast<int>(error.kind)], error.option);
  }
  int status = kExitOk;
  const std::optional<RunPlan> plan = SettleOptions(console, *options, surroundings, status);
  if (!plan) return status;
  if (plan->commands.empty()) return RunSession(console, client, plan->parameters, true);
  return RunOneShot(console, client, *plan);
}

}  // namespace rcon
