#include "app/command_line.h"

#include "app/file_access.h"
#include "app/messages.h"
#include "app/servers_file.h"
#include "rcon/codepage.h"

namespace rcon {
namespace {

namespace m = messages;

// The line end of everything the options mode writes: LF (a Windows stream makes it CR LF).
constexpr std::string_view kNewLine = "\n";

// "：", between a file's name and what is wrong with it.
constexpr OwnText kColon{"\xA3\xBA", "\xEF\xBC\x9A"};

bool AnyAnswer(std::string_view) { return true; }

// The first line of a password file, without its line end.
Text FirstLine(std::string_view text) {
  text = text.substr(0, text.find('\n'));
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return Text(text);
}

// The folder a file stands in, with its separator; empty for a bare name.
std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

bool IsAbsolute(const std::string& path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

// The servers file and what it holds, or the complaint that ends the program.
struct LoadedServers {
  std::optional<ServersFile> file;
  int status = kExitOk;  // kExitUsage when a complaint was written
};

LoadedServers LoadServers(Console& console, const Surroundings& surroundings, bool must_exist) {
  const std::string& path = surroundings.servers_file;
  const Text shown = console.TypedText(path);
  const std::optional<std::string> text = path.empty() ? std::nullopt : ReadWholeFile(path);
  if (!text) {
    if (!must_exist) return {ServersFile{}, kExitOk};
    return {std::nullopt, Complain(console, m::kServersFileUnreadable, shown)};
  }
  ServersFileError error{};
  std::optional<ServersFile> file = ParseServersFile(*text, path, error);
  if (!file) {
    static constexpr OwnText kWhat[] = {m::kNotToml, m::kNotATable, m::kUnknownKey, m::kMissingHostKey,
                                        m::kMissingPortKey, m::kBadValue};
    console.WriteOutput(2, m::kComplaintPrefix);
    console.WriteOutput(2, shown);
    console.WriteOutput(2, m::kAtLine[0]);
    console.WriteOutput(2, std::to_string(error.line));
    console.WriteOutput(2, m::kAtLine[1]);
    return {std::nullopt, FinishComplaint(console, kWhat[static_cast<int>(error.kind)],
                                          CodePageConverter(surroundings.page).FromUtf8(error.detail))};
  }
  if (file->holds_password && OthersMayRead(path)) return {std::nullopt, Complain(console, m::kServersFileOpen, shown)};
  return {std::move(file), kExitOk};
}

// Reads a password file, refusing one that others may read; nothing, with the complaint written, on failure.
std::optional<Text> ReadPasswordFile(Console& console, const std::string& path, int& status) {
  const Text shown = console.TypedText(path);
  const std::optional<std::string> text = ReadWholeFile(path);
  if (!text) {
    status = Complain(console, m::kPasswordFileUnreadable, shown);
    return std::nullopt;
  }
  if (OthersMayRead(path)) {
    status = Complain(console, m::kPasswordFileOpen, shown);
    return std::nullopt;
  }
  return console.TypedText(FirstLine(*text));  // in the locale's encoding, like typed text
}

}  // namespace

int Complain(Console& console, const OwnText& what, std::string_view detail) {
  console.WriteOutput(2, m::kComplaintPrefix);
  return FinishComplaint(console, what, detail);
}

int FinishComplaint(Console& console, const OwnText& what, std::string_view detail) {
  console.WriteOutput(2, what);
  console.WriteOutput(2, detail);
  console.WriteOutput(2, kNewLine);
  console.WriteOutput(2, m::kHelpHint);
  console.WriteOutput(2, kNewLine);
  return kExitUsage;
}

void PrintHelp(Console& console) {
  auto line = [&](const OwnText& text) {
    console.WriteOutput(0, text);
    console.WriteOutput(0, kNewLine);
  };
  line(m::kHelpUsage);
  line(m::kHelpUsageSaved);
  line(m::kHelpIntro);
  console.WriteOutput(0, kNewLine);
  line(m::kHelpOptionsHeading);
  for (const OptionSpec& entry : kOptionTable) {
    // "  -c, --command 命令" padded to one column: GBK takes as many bytes as a terminal takes columns.
    Text names = entry.short_name != 0 ? Text("  -") + entry.short_name + ", --" : Text("      --");
    names.append(entry.long_name);
    std::size_t width = names.size();
    console.WriteOutput(0, names);
    if (!entry.value.gbk.empty()) {
      console.WriteOutput(0, " ");
      console.WriteOutput(0, entry.value);
      width += 1 + entry.value.gbk.size();
    }
    console.WriteOutput(0, Text(width < 28 ? 28 - width : 1, ' '));
    line(entry.help);
  }
  console.WriteOutput(0, kNewLine);
  for (const OwnText* text : {&m::kHelpPasswordSources, &m::kHelpServersFile, &m::kHelpExitStatus, &m::kHelpMore}) {
    line(*text);
  }
}

std::optional<RunPlan> SettleOptions(Console& console, const Options& options, const Surroundings& surroundings,
                                     int& status) {
  status = kExitOk;
  if (options.help) {
    PrintHelp(console);
    return std::nullopt;
  }
  if (options.version) {
    console.WriteOutput(0, "rcon-console " RCON_VERSION);
    console.WriteOutput(0, kNewLine);
    return std::nullopt;
  }
  CodePageConverter utf8(surroundings.page);  // the servers file is UTF-8; the console's texts are not
  std::optional<ServersFile> saved;
  if (options.server || options.list_servers) {
    LoadedServers loaded = LoadServers(console, surroundings, options.server.has_value());
    status = loaded.status;
    if (!loaded.file) return std::nullopt;
    saved = std::move(loaded.file);
  }
  if (options.list_servers) {
    for (const SavedServer& s : saved->servers) {
      console.WriteOutput(0, utf8.FromUtf8(s.name + "  " + s.host + ":" + s.port));
      console.WriteOutput(0, kNewLine);
    }
    return std::nullopt;
  }

  const std::vector<Text>& positional = options.positional;
  const SavedServer* server = nullptr;
  if (options.server) {
    server = FindServer(*saved, utf8.ToUtf8(*options.server));
    if (server == nullptr) {
      console.WriteOutput(2, m::kComplaintPrefix);
      console.WriteOutput(2, console.TypedText(surroundings.servers_file));
      console.WriteOutput(2, kColon);
      status = FinishComplaint(console, m::kUnknownServer, *options.server);
      return std::nullopt;
    }
    if (!positional.empty()) {
      status = Complain(console, m::kServerAndArguments);
      return std::nullopt;
    }
  } else if (positional.size() < 2) {
    status = Complain(console, m::kMissingHost);
    return std::nullopt;
  } else if (positional.size() > 4) {
    status = Complain(console, m::kTooManyArguments, positional[4]);
    return std::nullopt;
  }

  RunPlan plan;
  plan.commands = options.commands;
  plan.raw = options.raw;
  const Text host = server != nullptr ? utf8.FromUtf8(server->host) : positional[0];
  const Text port = server != nullptr ? Text(server->port) : positional[1];
  if (!IsAllDigits(port)) {
    status = Complain(console, m::kBadPort, port);
    return std::nullopt;
  }
  std::optional<Text> timeout = options.timeout;
  if (positional.size() == 4) {
    if (timeout) {
      status = Complain(console, m::kTimeoutTwice);
      return std::nullopt;
    }
    timeout = positional[3];
  }
  if (!timeout && server != nullptr && server->timeout) timeout = Text(*server->timeout);
  if (timeout && !IsAllDigits(*timeout)) {
    status = Complain(console, m::kBadTimeout, *timeout);
    return std::nullopt;
  }

  // The password, first found: the argument, --password-file, the servers file, RCON_PASSWORD, the prompt.
  std::optional<Text> password;
  if (positional.size() >= 3) {
    password = positional[2];
  } else if (options.password_file) {
    password = ReadPasswordFile(console, console.TerminalText(*options.password_file), status);
    if (!password) return std::nullopt;
  } else if (server != nullptr && server->password) {
    password = utf8.FromUtf8(*server->password);
  } else if (server != nullptr && server->password_file) {
    const std::string& file = *server->password_file;  // beside the servers file unless absolute
    password = ReadPasswordFile(console, IsAbsolute(file) ? file : FolderOf(surroundings.servers_file) + file, status);
    if (!password) return std::nullopt;
  } else if (surroundings.password) {
    password = surroundings.password;
  } else {
    // A script's replies keep standard output to themselves: its prompt goes to standard error.
    password = Ask(console, m::kPromptPassword, AnyAnswer, true, plan.commands.empty() ? 0 : 2);
    if (!password) return std::nullopt;
  }
  plan.parameters = {host, port, *password};
  if (timeout) plan.parameters.push_back(*timeout);
  return plan;
}

}  // namespace rcon
