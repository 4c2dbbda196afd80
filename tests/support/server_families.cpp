#include "server_families.h"

#include "scripted_server.h"

namespace rcon::support {

const std::vector<ServerFamily>& ServerFamilies() {
  using S = ServerFamily::Split;
  using P = ServerFamily::Probe;
  static const std::vector<ServerFamily> families = {
      // Vanilla, and Paper, Spigot, Fabric and Forge, which share its RCON code.
      {.name = "minecraft", .login = LoginStyle::kMinecraft, .split = S::kUtf16Units4096, .probe = P::kUnknownRequest,
       .strict_reads = true},
      {.name = "source", .login = LoginStyle::kSource, .split = S::kBytes4086, .probe = P::kMirror},
      {.name = "cuberite", .login = LoginStyle::kCuberite, .split = S::kWhole, .probe = P::kIgnored},
      // Whether Factorio sends Source's empty packet before the login's reply is not documented.
      {.name = "factorio", .login = LoginStyle::kMinecraft, .split = S::kWhole, .probe = P::kIgnored},
      {.name = "factorio-source-login", .login = LoginStyle::kSource, .split = S::kWhole, .probe = P::kIgnored},
      {.name = "palworld", .login = LoginStyle::kMinecraft, .split = S::kWhole, .probe = P::kIgnored,
       .short_non_ascii = true},
      {.name = "squad", .login = LoginStyle::kSource, .split = S::kWhole, .probe = P::kSquadMirror,
       .close_on_wrong_password = true, .chat_every_ms = 200},
      // Neither Rust's login nor its answer to a probe is documented: both logins, no answer.
      {.name = "rust", .login = LoginStyle::kMinecraft, .split = S::kWhole, .probe = P::kIgnored,
       .notice_before_reply = true, .say_as_chat = true},
      {.name = "rust-source-login", .login = LoginStyle::kSource, .split = S::kWhole, .probe = P::kIgnored,
       .notice_before_reply = true, .say_as_chat = true},
  };
  return families;
}

const ServerFamily* FindServerFamily(std::string_view name) {
  for (const ServerFamily& f : ServerFamilies()) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

}  // namespace rcon::support
