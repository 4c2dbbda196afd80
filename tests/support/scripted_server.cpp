#include "scripted_server.h"

#include <chrono>

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

void Session::Reply(const ReceivedPacket& request, std::string_view body) {
  if (style_ != LoginStyle::kCuberite) {
    SendPacket(request.id, 0, body);
    return;
  }
  SendPacket(request.id, 2, body);
  SendPacket(request.id, 2, "");
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
  if (options_.login == LoginStyle::kSource) session.SendPacket(p.id, 0, "");
  session.SendPacket(accepted ? p.id : -1, 2, "");
  return true;
}

void ScriptedServer::Answer(Session& session, const ReceivedPacket& p) {
  if (options_.login == LoginStyle::kStrict && p.terminators == 1) {
    session.CloseAfter();
    return;
  }
  if (options_.login == LoginStyle::kRefuseThenSilent && logins_ > 0) return;
  if (p.type != 3) {
    options_.script(session, p);
    return;
  }
  ++logins_;
  if (!Login(session, p)) session.CloseAfter();
}

void ScriptedServer::Serve(SocketHandle s, int index) {
  std::string pending;
  char block[65536];
  bool open = true;
  while (open && !stopping_) {
    if (options_.login == LoginStyle::kNeverRead) {
      Session::Pause(kPollMs);
      continue;
    }
    const int n = ReceiveSome(s, block, sizeof block, kPollMs);
    if (n == -1) continue;
    if (n <= 0) break;  // the client closed or the connection failed
    pending.append(block, static_cast<std::size_t>(n));
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
      Session session(s, index, options_.login);
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
