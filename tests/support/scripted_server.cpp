#include "scripted_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace rcon::support {
namespace {

constexpr int kPollMs = 20;

std::int32_t Int32At(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t k = 0; k < 4; ++k) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + k])) << (8 * k);
  return static_cast<std::int32_t>(v);
}

void PutInt32(std::string& out, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  for (int k = 0; k < 4; ++k) out += static_cast<char>((u >> (8 * k)) & 0xFFu);
}

ReceivedPacket Parse(std::string_view packet, int connection, LoginStyle style) {
  ReceivedPacket p;
  p.size = Int32At(packet, 0);
  p.id = Int32At(packet, 4);
  p.type = Int32At(packet, 8);
  const std::string_view rest = packet.substr(12);
  const std::string_view body = rest.substr(0, rest.find('\0'));
  p.terminators = static_cast<int>(rest.size() - body.size());
  p.body = style == LoginStyle::kCuberite ? std::string(rest.substr(0, p.size >= 10 ? p.size - 10 : 0)) : std::string(body);
  p.connection = connection;
  return p;
}

}  // namespace

std::string ServerPacket(std::int32_t id, std::int32_t type, std::string_view body) {
  std::string out;
  PutInt32(out, static_cast<std::int32_t>(body.size() + 10));
  PutInt32(out, id);
  PutInt32(out, type);
  out += body;
  out.append(2, '\0');
  return out;
}

// Cuts a reply into the bodies of the packets a family sends it in (an empty reply: one empty packet).
std::vector<std::string_view> Pieces(std::string_view body, ServerFamily::Split split) {
  std::vector<std::string_view> pieces;
  do {
    std::size_t cut = body.size();
    if (split == ServerFamily::Split::kBytes4086) cut = std::min<std::size_t>(body.size(), 4086);
    if (split == ServerFamily::Split::kUtf16Units4096) {
      std::size_t units = 0;
      for (cut = 0; cut < body.size(); ++cut) {
        const auto b = static_cast<unsigned char>(body[cut]);
        if ((b & 0xC0) == 0x80) continue;
        const std::size_t n = b >= 0xF0 ? 2 : 1;
        if (units + n > 4096) break;
        units += n;
      }
    }
    pieces.push_back(body.substr(0, cut));
    body.remove_prefix(cut);
  } while (!body.empty());
  return pieces;
}

void Session::Reply(const ReceivedPacket& request, std::string_view body) {
  if (style_ == LoginStyle::kCuberite) {
    SendPacket(request.id, 2, body);
    SendPacket(request.id, 2, "");
    return;
  }
  if (family_ == nullptr) {
    SendPacket(request.id, 0, body);
    return;
  }
  if (family_->notice_before_reply) SendPacket(0, 4, "[RCON][127.0.0.1:50000] " + request.body);
  if (family_->say_as_chat && request.body.rfind("say ", 0) == 0) {
    SendPacket(-1, 0, "[CHAT] SERVER : " + request.body.substr(4));
    return;
  }
  const std::int32_t id = family_->short_non_ascii ? 0 : request.id;
  std::size_t extra = 0;  // bytes beyond one per character
  for (const char c : body) extra += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 1 : 0;
  if (family_->short_non_ascii && extra > 0) {
    // The size field is right, but only as many bytes as characters follow the header.
    const std::string packet = ServerPacket(id, 0, body);
    SendRaw(std::string_view(packet).substr(0, packet.size() - extra - 2));
    return;
  }
  for (const std::string_view piece : Pieces(body, family_->split)) SendPacket(id, 0, piece);
}

void Session::AnswerUnknown(const ReceivedPacket& request) {
  using Probe = ServerFamily::Probe;
  const Probe probe = family_ != nullptr ? family_->probe
                      : style_ == LoginStyle::kSource ? Probe::kMirror
                                                      : Probe::kUnknownRequest;
  switch (probe) {
    case Probe::kUnknownRequest: {
      char text[40];
      std::snprintf(text, sizeof text, "Unknown request %x", static_cast<unsigned>(request.type));
      return SendPacket(request.id, 0, text);
    }
    case Probe::kMirror:
      SendPacket(request.id, 0, "");
      return SendPacket(request.id, 0, std::string("\0\x01\0\0", 4));
    case Probe::kSquadMirror:
      SendPacket(request.id, 0, "");
      return SendRaw(ServerPacket(request.id, 0, "") + std::string("\0\x01\0\0\0\0\0", 7));
    case Probe::kIgnored: return;
  }
}

void Session::SendPacket(std::int32_t id, std::int32_t type, std::string_view body) {
  SendAll(socket_, ServerPacket(id, type, body));
}

void Session::SendRaw(std::string_view bytes) { SendAll(socket_, bytes); }

void Session::SendDripped(std::string_view bytes, std::size_t piece, int pause_ms) {
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (!SendAll(socket_, bytes.substr(at, piece))) return;
    if (at + piece < bytes.size()) Pause(pause_ms);
  }
}

void Session::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void EchoScript(Session& session, const ReceivedPacket& request) { session.Reply(request, request.body); }

SilentHost StartSilentHost() {
  SilentHost host;
  host.listener = ListenLoopback(0, host.port, false, 0);
  if (host.listener == kNoSocketHandle) return host;
  // With a backlog of 0 the queue holds one connection: this one. Its connect completes at once.
  host.filler = ConnectLoopback(host.port);
  return host;
}

void StopSilentHost(const SilentHost& host) {
  if (host.filler != kNoSocketHandle) CloseSocket(host.filler);
  if (host.listener != kNoSocketHandle) CloseSocket(host.listener);
}

ScriptedServer::ScriptedServer(Options options) : options_(std::move(options)) {
  if (options_.family != nullptr) options_.login = options_.family->login;
  listener_ = ListenLoopback(options_.port, port_, options_.ipv6);
  if (listener_ == kNoSocketHandle) {
    port_ = 0;
    return;
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() { Stop(); }

void ScriptedServer::Stop() {
  if (stopping_.exchange(true)) return;
  if (acceptor_.joinable()) acceptor_.join();
  if (listener_ != kNoSocketHandle) CloseSocket(listener_);
  listener_ = kNoSocketHandle;
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    threads.swap(threads_);
  }
  for (std::thread& t : threads) t.join();
}

std::vector<ReceivedPacket> ScriptedServer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

std::vector<ReceivedPacket> ScriptedServer::ReceivedOfType(std::int32_t type) const {
  std::vector<ReceivedPacket> out;
  for (const ReceivedPacket& p : Received()) {
    if (p.type == type) out.push_back(p);
  }
  return out;
}

bool ScriptedServer::WaitUntil(const std::function<bool()>& done, int timeout_ms) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void ScriptedServer::Record(const ReceivedPacket& p) {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.push_back(p);
}

void ScriptedServer::AcceptLoop() {
  while (!stopping_) {
    const SocketHandle s = AcceptWithin(listener_, kPollMs);
    if (s == kNoSocketHandle) continue;
    const int index = ++accepted_;
    if (options_.login == LoginStyle::kCloseAtAccept) {
      CloseSocket(s);
      continue;
    }
    ++open_;
    std::lock_guard<std::mutex> lock(mutex_);
    threads_.emplace_back([this, s, index] { Serve(s, index); });
  }
}

// Answers a login the way the chosen kind of server does; false when it closes the connection.
bool ScriptedServer::Login(Session& session, const ReceivedPacket& p) {
  const std::string& expected = options_.password;
  bool accepted = p.body == expected;
  switch (options_.login) {
    case LoginStyle::kTwoTerminatorsOnly: accepted = accepted && p.terminators == 2; break;
    case LoginStyle::kOneTerminatorOnly: accepted = accepted && p.terminators == 1; break;
    case LoginStyle::kRefuseThenSilent: accepted = false; break;
    case LoginStyle::kCuberite:
      // A prefix of the password passes: only the bytes received are compared.
      if (p.body.size() > expected.size() || expected.compare(0, p.body.size(), p.body) != 0) return false;
      accepted = true;
      break;
    default: break;
  }
  if (!accepted && options_.family != nullptr && options_.family->close_on_wrong_password) return false;
  if (options_.login == LoginStyle::kSource) session.SendPacket(p.id, 0, "");
  session.SendPacket(accepted ? p.id : -1, 2, "");
  session.logged_in = session.logged_in || accepted;
  return true;
}

void ScriptedServer::Answer(Session& session, const ReceivedPacket& p) {
  if (options_.login == LoginStyle::kStrict && p.terminators == 1) {
    session.CloseAfter();
    return;
  }
  if (options_.login == LoginStyle::kRefuseThenSilent && logins_ > 0) return;
  if (p.type == 0) return session.AnswerUnknown(p);
  if (p.type != 3) {
    options_.script(session, p);
    return;
  }
  ++logins_;
  if (!Login(session, p)) session.CloseAfter();
}

bool ScriptedServer::ReadStrictly(SocketHandle s, std::string& pending) {
  char block[1460];
  const int n = ReceiveSome(s, block, sizeof block, kPollMs);
  if (n == -1) return true;
  if (n < 10 || Int32At(std::string_view(block, static_cast<std::size_t>(n)), 0) != n - 4) return false;
  pending.assign(block, static_cast<std::size_t>(n));
  return true;
}

void ScriptedServer::Serve(SocketHandle s, int index) {
  const ServerFamily* family = options_.family;
  Session session(s, index, options_.login, family);
  std::string pending;
  char block[65536];
  bool open = true;
  auto last_chat = std::chrono::steady_clock::now();
  int chats = 0;
  while (open && !stopping_) {
    if (options_.login == LoginStyle::kNeverRead) {
      Session::Pause(kPollMs);
      continue;
    }
    if (family != nullptr && family->chat_every_ms > 0 && session.logged_in &&
        std::chrono::steady_clock::now() - last_chat >= std::chrono::milliseconds(family->chat_every_ms)) {
      last_chat = std::chrono::steady_clock::now();
      session.SendPacket(0, 1, "[ChatAll] [SteamID:76561198000000001] Player : hello " + std::to_string(++chats));
    }
    if (family != nullptr && family->strict_reads) {
      if (!ReadStrictly(s, pending)) break;
    } else {
      const int n = ReceiveSome(s, block, sizeof block, kPollMs);
      if (n == -1) continue;
      if (n <= 0) break;  // the client closed or the connection failed
      pending.append(block, static_cast<std::size_t>(n));
    }
    while (open && pending.size() >= 4) {
      const std::int32_t size = Int32At(pending, 0);
      if (size < 9 || size > (1 << 22)) {  // a real server drops a client that sends this
        open = false;
        break;
      }
      if (pending.size() < 4 + static_cast<std::size_t>(size)) break;
      const ReceivedPacket p =
          Parse(std::string_view(pending).substr(0, 4 + static_cast<std::size_t>(size)), index, options_.login);
      pending.erase(0, 4 + static_cast<std::size_t>(size));
      Record(p);
      if (options_.login == LoginStyle::kSilent) continue;
      Answer(session, p);
      if (session.ShouldReset()) {
        ResetSocket(s);
        --open_;
        return;
      }
      if (session.ShouldClose()) open = false;
    }
  }
  CloseSocket(s);
  --open_;
}

}  // namespace rcon::support
