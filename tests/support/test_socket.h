// The few socket calls the scripted server needs, over the platform's own sockets.
#pragma once

#include <cstdint>
#include <string_view>

namespace rcon::support {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocketHandle = -1;

// Listens on 127.0.0.1 (or ::1) at the port (0: a free one); writes the port taken. kNoSocketHandle on failure.
SocketHandle ListenLoopback(int port, int& bound_port, bool ipv6 = false, int backlog = 64);

// A host that never answers a connection: a loopback listener whose accept queue is full, so
// that the system drops every further attempt unanswered. Closing the returned sockets ends it.
struct SilentHost {
  SocketHandle listener = kNoSocketHandle;
  SocketHandle filler = kNoSocketHandle;  // the one connection the queue holds
  int port = 0;
};
SilentHost StartSilentHost();
void StopSilentHost(const SilentHost& host);

// Connects to 127.0.0.1 at the port, blocking; kNoSocketHandle on failure.
SocketHandle ConnectLoopback(int port);

// Accepts one connection within the time-out; kNoSocketHandle when none came.
SocketHandle AcceptWithin(SocketHandle listener, int timeout_ms);

// Receives up to `size` bytes within the time-out: the count, 0 when the peer closed,
// -1 when nothing came in time, -2 on an error.
int ReceiveSome(SocketHandle s, char* buffer, int size, int timeout_ms);

// Sends every byte; false when the connection failed.
bool SendAll(SocketHandle s, std::string_view bytes);

// Closes a socket in order.
void CloseSocket(SocketHandle s);

// Ends the sending half of a connection: the peer reads the end of the stream, and may still send.
void ShutdownSend(SocketHandle s);

// Closes a socket with a reset instead of an orderly close.
void ResetSocket(SocketHandle s);

// Number of descriptors (handles) the process holds open now; -1 where it cannot be told.
int OpenHandleCount();

}  // namespace rcon::support
