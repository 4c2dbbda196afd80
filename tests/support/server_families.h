// The wire habits of the game servers RCON clients meet, as rows of traits the scripted server
// follows: how a family logs in, cuts its replies, answers a request it does not know (the
// client's probe), reads its socket, and what it sends unasked. Written from each family's
// public sources; where they are silent, a family is modelled both ways (two rows).
#pragma once

#include <string_view>
#include <vector>

namespace rcon::support {

enum class LoginStyle;

struct ServerFamily {
  // How a reply of any length is cut into packets.
  enum class Split {
    kWhole,           // one packet, however long (Factorio, Cuberite...)
    kUtf16Units4096,  // every 4096 UTF-16 code units of the text, one write per packet (Minecraft)
    kBytes4086,       // every 4086 body bytes: packets of at most 4096 bytes (Source)
  };
  // What an empty type-0 request (the client's probe) gets back.
  enum class Probe {
    kUnknownRequest,  // "Unknown request 0" under the request's id (Minecraft)
    kMirror,          // an empty packet, then one whose body is 00 01 00 00 (Source)
    kSquadMirror,     // an empty packet, then another whose size says 10 with 7 more bytes after it (Squad)
    kIgnored,         // nothing at all (Factorio)
  };

  const char* name;
  LoginStyle login;
  Split split;
  Probe probe;
  bool strict_reads = false;            // one read of at most 1460 bytes a packet; anything else closes (Minecraft)
  bool close_on_wrong_password = false;  // no refusal: the connection closes (Squad)
  bool notice_before_reply = false;      // a type-4 packet "[RCON][ip:port] command" before each reply (Rust)
  bool say_as_chat = false;              // "say X" answered only under id -1 as "[CHAT] SERVER : X" (Rust)
  int chat_every_ms = 0;                 // type-1 chat lines sent unasked this often (Squad)
  bool short_non_ascii = false;          // ids always 0; a non-ASCII reply claims more bytes than it sends (Palworld)
};

// Every family modelled, in a fixed order.
const std::vector<ServerFamily>& ServerFamilies();

// The family of that name (as listed by ServerFamilies), or nullptr.
const ServerFamily* FindServerFamily(std::string_view name);

}  // namespace rcon::support
