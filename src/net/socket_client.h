// The TCP client endpoint: at most one outgoing IPv4 or IPv6 connection, with sends and receives
// that wait for the socket under a time-out in milliseconds. Failures come back as false
// or as empty bytes; which failure it was is not reported.
//
// Wait time-outs: 0 waits without limit, -1 only polls once, t > 0 waits at most t ms;
// any other negative value fails the wait.
#pragma once

#include <cstdint>

#include "util/text.h"

namespace rcon {

// The most bytes one Receive returns.
inline constexpr int kReceiveBlockBytes = 20480;

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

  // Sends every byte, waiting for the socket under the time-out; false on failure. Never raises SIGPIPE.
  bool Send(ByteView data, int timeout_ms);

  // What SendUnlessInput did.
  enum class SendOutcome { kSent, kFailed, kInputWaiting };
  // Sends like Send, but when input is waiting as the socket is first found ready, sends nothing
  // and says so, so that the caller reads first. The one readiness wait asks for both.
  SendOutcome SendUnlessInput(ByteView data, int timeout_ms);

  // Waits for the socket under the time-out, then returns the bytes of one receive (at most
  // 20480); empty with ok = false when nothing arrived in time, the peer closed, or an error occurred.
  Bytes Receive(int timeout_ms, bool* ok = nullptr);

  // The same into the caller's block: the count received (at most `size`), 0 on failure.
  int Receive(char* block, int size, int timeout_ms);

  // Closes the connection held; false when none was held or closing failed.
  bool Close();

  // Tells whether a connection is held (it may since have been broken by the peer).
  bool IsConnected() const { return handle_ != kNoSocket; }

 private:
  SendOutcome SendAll(ByteView data, int timeout_ms, bool input_first);

  Handle handle_ = kNoSocket;
};

// Resolves a host name or numeric address to the numeric text of one of its addresses: the
// first IPv4 address when it has one, else the first IPv6 address; empty on failure.
Text ResolveHostAddress(const Text& host);

}  // namespace rcon
