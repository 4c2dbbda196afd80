// A scripted RCON server on 127.0.0.1 for tests and the demo server. It logs clients in
// the way the chosen kind of server does, hands each command to a script, and records
// every packet it received, framed by its size field exactly as a real server frames it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "server_families.h"
#include "test_socket.h"

namespace rcon::support {

// One packet as the server received it.
struct ReceivedPacket {
  std::int32_t size = 0;
  std::int32_t id = 0;
  std::int32_t type = 0;
  std::string body;     // the body as this kind of server takes it (most: bytes 12 up to the first zero byte)
  int terminators = 0;  // bytes after the first zero-ended body within the packet (its zero bytes)
  int connection = 0;   // which accepted connection it came on, from 1
};

// How the server answers a login.
enum class LoginStyle {
  kMinecraft,           // one type-2 reply: the request id, or -1 for a wrong password
  kSource,              // an empty type-0 packet, then the type-2 reply
  kTwoTerminatorsOnly,  // refuses (-1) any request whose body is followed by one zero byte only
  kOneTerminatorOnly,   // refuses (-1) any request whose body is not followed by exactly one zero byte
  kStrict,              // closes the connection on any packet that ends in one zero byte only
  kRefuseThenSilent,    // refuses (-1) the first login, then answers nothing
  // As Cuberite does: a body is the size - 10 bytes after the header (two zero bytes assumed),
  // the password is compared over the length received (a prefix passes), a wrong one closes
  // the connection without an answer, and every command is answered by two type-2 packets
  // with the request id, sent one after the other: the whole output, then an empty one.
  kCuberite,
  kSilent,              // reads everything, answers nothing
  kCloseAtAccept,       // closes every connection as soon as it is accepted
  kNeverRead,           // accepts and never reads
};

// Builds one packet as a server sends it: size, id, type, body, two zero bytes.
std::string ServerPacket(std::int32_t id, std::int32_t type, std::string_view body);

// What a script can do on the connection a command came on.
class Session {
 public:
  Session(SocketHandle s, int index, LoginStyle style, const ServerFamily* family = nullptr)
      : socket_(s), index_(index), style_(style), family_(family) {}
  // Sends a reply with the request's id, the way this kind of server does (most: one type-0
  // packet; a family cuts it and adds to it as that family does).
  void Reply(const ReceivedPacket& request, std::string_view body);
  // Answers a request of a type the server does not know (the client's probe) as this kind of server does.
  void AnswerUnknown(const ReceivedPacket& request);
  // Sends one packet.
  void SendPacket(std::int32_t id, std::int32_t type, std::string_view body);
  // Sends raw bytes.
  void SendRaw(std::string_view bytes);
  // Sends bytes in pieces of `piece` bytes with a pause between them.
  void SendDripped(std::string_view bytes, std::size_t piece, int pause_ms);
  // Pauses the script.
  static void Pause(int ms);
  // Closes the connection in order after the script returns.
  void CloseAfter() { close_ = true; }
  // Resets the connection after the script returns.
  void ResetAfter() { reset_ = true; }
  int Index() const { return index_; }
  bool ShouldClose() const { return close_; }
  bool ShouldReset() const { return reset_; }
  // Whether the connection has logged in.
  bool logged_in = false;

 private:
  SocketHandle socket_;
  int index_;
  LoginStyle style_;
  const ServerFamily* family_;
  bool close_ = false;
  bool reset_ = false;
};

using CommandScript = std::function<void(Session&, const ReceivedPacket&)>;

// Replies to every command with its own body.
void EchoScript(Session& session, const ReceivedPacket& request);

class ScriptedServer {
 public:
  struct Options {
    LoginStyle login = LoginStyle::kMinecraft;
    std::string password = "secret";
    CommandScript script = EchoScript;
    int port = 0;
    bool ipv6 = false;  // listen on ::1 instead of 127.0.0.1
    // A game server's family: its login, replies, reading and what it sends unasked (the
    // login style is the family's). None: one packet per reply.
    const ServerFamily* family = nullptr;
  };

  explicit ScriptedServer(Options options);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  // The port it listens on; 0 when it could not listen.
  int Port() const { return port_; }
  // Stops for good: no more connections are accepted and every open one is closed.
  void Stop();
  // Every packet received so far, in order.
  std::vector<ReceivedPacket> Received() const;
  // Packets of one type received so far.
  std::vector<ReceivedPacket> ReceivedOfType(std::int32_t type) const;
  // Connections accepted so far.
  int Accepted() const { return accepted_.load(); }
  // Connections that are still open on the server's side (the client has not closed them).
  int OpenConnections() const { return open_.load(); }
  // Waits until `done` holds or the time passes; tells whether it held.
  bool WaitUntil(const std::function<bool()>& done, int timeout_ms) const;

 private:
  void AcceptLoop();
  void Serve(SocketHandle s, int index);
  // Takes the packets a Minecraft-style server reads: exactly one packet per read of at most
  // 1460 bytes; false when the read held more or less (the server closes then).
  bool ReadStrictly(SocketHandle s, std::string& pending);
  void Record(const ReceivedPacket& p);
  void Answer(Session& session, const ReceivedPacket& p);
  bool Login(Session& session, const ReceivedPacket& p);

  Options options_;
  SocketHandle listener_ = kNoSocketHandle;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::atomic<int> open_{0};
  std::atomic<int> logins_{0};
  mutable std::mutex mutex_;
  std::vector<ReceivedPacket> received_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace rcon::support
