#include "app/options.h"

#include "app/messages.h"

namespace rcon {

namespace m = messages;

const std::array<OptionSpec, 8> kOptionTable{{
    {OptionId::kCommand, 'c', "command", m::kValueCommand, m::kHelpCommand},
    {OptionId::kServer, 's', "server", m::kValueName, m::kHelpServer},
    {OptionId::kPasswordFile, 0, "password-file", m::kValueFile, m::kHelpPasswordFile},
    {OptionId::kTimeout, 't', "timeout", m::kValueMilliseconds, m::kHelpTimeout},
    {OptionId::kRaw, 0, "raw", {}, m::kHelpRaw},
    {OptionId::kServers, 0, "servers", {}, m::kHelpServers},
    {OptionId::kHelp, 'h', "help", {}, m::kHelpHelp},
    {OptionId::kVersion, 'V', "version", {}, m::kHelpVersion},
}};

namespace {

bool TakesValue(const OptionSpec& entry) { return !entry.value.gbk.empty(); }

// The option of that long name, or of which it is the start of one long name only.
const OptionSpec* FindLong(std::string_view name, bool& ambiguous) {
  const OptionSpec* found = nullptr;
  ambiguous = false;
  for (const OptionSpec& entry : kOptionTable) {
    if (entry.long_name == name) return &entry;
    if (entry.long_name.substr(0, name.size()) == name) {
      ambiguous = found != nullptr;
      found = &entry;
    }
  }
  return ambiguous ? nullptr : found;
}

const OptionSpec* FindShort(char name) {
  for (const OptionSpec& entry : kOptionTable) {
    if (entry.short_name != 0 && entry.short_name == name) return &entry;
  }
  return nullptr;
}

void Apply(Options& options, OptionId id, Text value) {
  switch (id) {
    case OptionId::kCommand: options.commands.push_back(std::move(value)); break;
    case OptionId::kServer: options.server = std::move(value); break;
    case OptionId::kPasswordFile: options.password_file = std::move(value); break;
    case OptionId::kTimeout: options.timeout = std::move(value); break;
    case OptionId::kRaw: options.raw = true; break;
    case OptionId::kServers: options.list_servers = true; break;
    case OptionId::kHelp: options.help = true; break;
    case OptionId::kVersion: options.version = true; break;
  }
}

}  // namespace

bool LooksLikeOption(std::string_view argument) { return argument.size() > 1 && argument[0] == '-'; }

std::optional<Options> ParseOptions(const std::vector<Text>& arguments, OptionError& error) {
  Options options;
  std::size_t i = 0;
  // The value of an option: what follows it in the same argument, or else the next argument.
  auto value_of = [&](std::string_view attached, const Text& option, Text& value) {
    if (!attached.empty()) {
      value = Text(attached);
      return true;
    }
    if (i + 1 >= arguments.size()) {
      error = {OptionError::Kind::kMissingValue, option};
      return false;
    }
    value = arguments[++i];
    return true;
  };
  for (; i < arguments.size() && LooksLikeOption(arguments[i]); ++i) {
    const Text& argument = arguments[i];
    if (argument == "--") {
      ++i;
      break;
    }
    if (argument[1] == '-') {
      const std::string_view body = std::string_view(argument).substr(2);
      const std::size_t equals = body.find('=');
      bool ambiguous = false;
      const OptionSpec* entry = FindLong(body.substr(0, equals), ambiguous);
      if (entry == nullptr) {
        error = {ambiguous ? OptionError::Kind::kAmbiguous : OptionError::Kind::kUnknown, argument.substr(0, equals + 2)};
        return std::nullopt;
      }
      Text value;
      if (!TakesValue(*entry)) {
        if (equals != std::string_view::npos) {
          error = {OptionError::Kind::kUnexpectedValue, argument.substr(0, equals + 2)};
          return std::nullopt;
        }
      } else if (equals != std::string_view::npos) {
        value = Text(body.substr(equals + 1));  // --name= gives an empty value
      } else if (!value_of({}, argument, value)) {
        return std::nullopt;
      }
      Apply(options, entry->id, std::move(value));
      continue;
    }
    // Short options, bundled: each letter a flag, until one that takes the rest (or the next argument).
    for (std::size_t k = 1; k < argument.size(); ++k) {
      const OptionSpec* entry = FindShort(argument[k]);
      const Text option{'-', argument[k]};
      if (entry == nullptr) {
        error = {OptionError::Kind::kUnknown, option};
        return std::nullopt;
      }
      Text value;
      if (TakesValue(*entry)) {
        if (!value_of(std::string_view(argument).substr(k + 1), option, value)) return std::nullopt;
        Apply(options, entry->id, std::move(value));
        break;
      }
      Apply(options, entry->id, Text());
    }
  }
  options.positional.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.end());
  return options;
}

}  // namespace rcon
