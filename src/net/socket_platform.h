// The platform's socket calls under socket_client: one file per platform implements them.
#pragma once

#include <cstddef>
#include <vector>

#include "net/socket_client.h"

namespace rcon::socket_platform {

using Handle = socket_client::Handle;

// The address families a connection can use.
enum class Family { kIpv4, kIpv6 };

// One address of a host, as numeric text.
struct HostAddress {
  Family family;
  Text numeric;
};

// Looks a host name or numeric address up: its TCP addresses in the resolver's order (none on failure).
std::vector<HostAddress> LookUpHost(const Text& host);

// Starts a TCP connection to a numeric address of the family on the low 16 bits of port,
// without waiting for it: the socket, or kNoSocket when it failed at once (a text that is no
// address of that family included). `pending` tells whether the connection is still under
// way. The socket is not inherited by child processes.
Handle StartConnection(Family family, const Text& address, int port, bool& pending);

// Finishes a connection that was under way once its socket is ready: true when it was made.
bool FinishConnection(Handle h);

// What a socket can be waited for; a wait gives back the ones it found.
enum Readiness : unsigned { kReadable = 1, kWritable = 2 };

// Waits until the socket is ready for any of `events` under the wait time-out: the events it is
// ready for (a hung-up or failed socket, a failed connection among them, counts as ready for
// all of them, so the next call tells),
// 0 when none came in time or the wait failed. A wait that ends early (a signal, a short timer)
// resumes with the time that is left.
unsigned WaitReady(Handle h, unsigned events, int timeout_ms);

// Sends what the socket takes now without blocking: the count, 0 when it takes nothing yet,
// -1 when the connection failed. Never raises a signal.
std::ptrdiff_t SendSome(Handle h, ByteView bytes);

// Receives once into the block: the count, 0 when the peer closed, -1 on an error.
int ReceiveSome(Handle h, char* block, int size);

// Closes a socket; true when the platform reported success.
bool CloseSocket(Handle h);

}  // namespace rcon::socket_platform
