// The platform's socket calls under socket_client: one file per platform implements them, and
// does nothing but make the calls. Choosing (which address, how long, what a result means)
// is the portable file's.
#pragma once

#include <cstddef>
#include <vector>

#include "net/socket_client.h"

namespace rcon::socket_platform {

using Handle = socket_client::Handle;

// The system's address lookup (getaddrinfo) for TCP with the port set: its results in its
// order; with `numeric_only` a numeric address is parsed and no resolver asked.
std::vector<SocketAddress> LookUp(const Text& host, int port, bool numeric_only);

// Appends a lookup's results (the platform's addrinfo list) that are IPv4 or IPv6 addresses, in order.
template <typename AddrInfo>
void AppendAddresses(const AddrInfo* found, int ipv4_family, int ipv6_family, std::vector<SocketAddress>& out) {
  for (const AddrInfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family != ipv4_family && a->ai_family != ipv6_family) continue;
    out.push_back({a->ai_family == ipv6_family, Bytes(reinterpret_cast<const char*>(a->ai_addr), a->ai_addrlen)});
  }
}

// The numeric text of an address, without its port; empty when it has none.
Text NumericText(const SocketAddress& address);

// Starts a TCP connection to the address without waiting for it: the socket, or kNoSocket when
// it failed at once. `pending` tells whether the connection is still under way. The socket sends
// each write at once (no Nagle delay), acknowledges what it receives at once where the platform
// has a setting for it, and is not inherited by child processes.
Handle StartConnection(const SocketAddress& address, bool& pending);

// Finishes a connection that was under way once its socket is ready: true when it was made.
bool FinishConnection(Handle h);

// What a socket can be waited for; a wait gives back the ones it found.
enum Readiness : unsigned { kReadable = 1, kWritable = 2, kWaitFailed = 4 };

// Waits until the socket is ready for any of `events` under the wait time-out: the events it is
// ready for (a hung-up or failed socket, a failed connection among them, counts as ready for
// all of them, so the next call tells), 0 when none came in time, kWaitFailed when the wait
// itself failed. A wait that ends early (a signal, a short timer) resumes with the time left.
unsigned WaitReady(Handle h, unsigned events, int timeout_ms);

// What SendSome and ReceiveSome give back besides a count.
inline constexpr std::ptrdiff_t kPeerGone = -2;  // the peer closed or reset the connection
inline constexpr std::ptrdiff_t kIoFailed = -1;  // any other error

// Sends what the socket takes now without blocking: the count (0 when it takes nothing yet),
// kPeerGone or kIoFailed. Never raises a signal.
std::ptrdiff_t SendSome(Handle h, ByteView bytes);

// Receives once into the block: the count, kPeerGone (an orderly close gives it too) or kIoFailed.
std::ptrdiff_t ReceiveSome(Handle h, char* block, int size);

// Acknowledges what was received at once, where the platform lets a program ask for it.
void AcknowledgeNow(Handle h);

// Closes a socket; true when the platform reported success.
bool CloseSocket(Handle h);

}  // namespace rcon::socket_platform
