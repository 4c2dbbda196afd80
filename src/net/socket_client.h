// The TCP client endpoint: at most one outgoing IPv4 or IPv6 connection, with sends and receives
// that wait for the socket under a time-out in milliseconds. Each call says why it ended (done,
// time-out, closed by the peer, failed), set where it happened, never guessed afterwards.
//
// Wait time-outs: 0 waits without limit, -1 only polls once, t > 0 waits at most t ms;
// any other negative value fails the wait.
#pragma once

#include <cstdint>
#include <vector>

#include "util/text.h"

namespace rcon {

// The most bytes one Receive returns.
inline constexpr int kReceiveBlockBytes = 20480;

// Why a network call ended.
enum class NetStatus {
  kOk,        // done: connected, every byte sent, or bytes received
  kTimedOut,  // the time-out passed first
  kClosed,    // the peer closed (or reset) the connection
  kFailed,    // no connection held, no such address, or the system reported an error
};

// One address of a host as the system gives it: its family and its socket address, port included.
struct SocketAddress {
  bool ipv6 = false;
  std::string bytes;
};

// A name lookup: the host's addresses with the port set, in the resolver's order; none on failure.
using NameLookup = std::vector<SocketAddress> (*)(const Text& host, int port);

// The system's resolver.
std::vector<SocketAddress> LookUpName(const Text& host, int port);

// Looks a host up under the time-out (0: no limit): a numeric address without the resolver; a
// name through `lookup`, given up on (nothing found) when the time-out passes first. IPv4
// addresses come first, each family in the resolver's order.
std::vector<SocketAddress> LookUpWithin(const Text& host, int port, int timeout_ms, NameLookup lookup = LookUpName);

class socket_client {
 public:
  // Platform socket handle; kNoSocket marks an endpoint that holds no connection.
  using Handle = std::intptr_t;
  static const Handle kNoSocket;

  socket_client() = default;
  // Closes the connection it holds.
  ~socket_client();
  socket_client(const socket_client&) = delete;
  socket_client& operator=(const socket_client&) = delete;
  // Takes over another endpoint's connection; the other then holds none.
  socket_client(socket_client&& other) noexcept;
  // Closes the connection held, then takes over the other's.
  socket_client& operator=(socket_client&& other) noexcept;

  // Connects to a numeric IPv4 or IPv6 address on the low 16 bits of port, waiting for the
  // connection under the wait time-out (0, the default: as long as the platform tries). On
  // success the new connection replaces (and closes) the one held; on failure the one held is kept.
  bool Connect(const Text& address, int port, int timeout_ms = 0);

  // Looks the host up and connects to its addresses one by one, in order, until one takes the
  // connection; the lookup and every attempt share the one time-out. As Connect otherwise.
  bool ConnectToHost(const Text& host, int port, int timeout_ms, NameLookup lookup = LookUpName);

  // The same over addresses already looked up.
  bool ConnectToAny(const std::vector<SocketAddress>& addresses, int timeout_ms);

  // Sends every byte, waiting for the socket under the time-out. Never raises SIGPIPE.
  NetStatus Send(ByteView data, int timeout_ms);

  // Sends like Send, but when input is waiting as the socket is first found ready, sends nothing
  // and sets `input_waiting`, so that the caller reads first. The one readiness wait asks for both.
  NetStatus SendUnlessInput(ByteView data, int timeout_ms, bool& input_waiting);

  // Waits for the socket under the time-out, then receives once into the block: kOk with the
  // count in `received` (1 to `size`), or why nothing came (`received` 0).
  NetStatus Receive(char* block, int size, int timeout_ms, int& received);

  // The same as a new buffer of at most 20480 bytes; empty with ok = false when nothing came.
  Bytes Receive(int timeout_ms, bool* ok = nullptr);

  // Acknowledges what was received at once. A server that holds a small write back until its
  // last one is acknowledged (Nagle's rule) then sends it at once, instead of after the
  // receiver's usual delay (40 ms and more).
  void AcknowledgeNow();

  // Closes the connection held; false when none was held or closing failed.
  bool Close();

  // Tells whether a connection is held (it may since have been broken by the peer).
  bool IsConnected() const { return handle_ != kNoSocket; }

 private:
  NetStatus SendAll(ByteView data, int timeout_ms, bool* input_waiting);
  // Makes one connection attempt within the time; the new socket, or kNoSocket.
  static Handle Attempt(const SocketAddress& address, int timeout_ms);
  // Holds a new connection in place of the one held (which is closed).
  void Hold(Handle fresh);

  Handle handle_ = kNoSocket;
};

// Resolves a host name or numeric address to the numeric text of one of its addresses: the
// first IPv4 address when it has one, else the first IPv6 address; empty on failure.
Text ResolveHostAddress(const Text& host);

}  // namespace rcon
