// The platform's socket calls under socket_client: one file per platform implements them.
#pragma once

#include <cstddef>

#include "net/socket_client.h"

namespace rcon::socket_platform {

using Handle = socket_client::Handle;

// Opens a TCP connection to a numeric IPv4 address on the low 16 bits of port, without a
// time-out of its own; the socket is not inherited by child processes. kNoSocket on failure.
Handle OpenConnection(const Text& address, int port);

// Waits until the socket can be written (or read) under the wait time-out; true when ready.
// A wait that ends early (a signal, a short timer) resumes with the time that is left.
bool WaitReady(Handle h, bool for_write, int timeout_ms);

// Sends what the socket takes now without blocking: the count, 0 when it takes nothing yet,
// -1 when the connection failed. Never raises a signal.
std::ptrdiff_t SendSome(Handle h, ByteView bytes);

// Receives once into the block: the count, 0 when the peer closed, -1 on an error.
int ReceiveSome(Handle h, char* block, int size);

// Closes a socket; true when the platform reported success.
bool CloseSocket(Handle h);

}  // namespace rcon::socket_platform
