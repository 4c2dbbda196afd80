#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdlib>

#include "net/socket_platform.h"
#include "net/wait_time.h"
#include "util/clock.h"

namespace rcon {

// No Windows Sockets socket has the handle 0.
const socket_client::Handle socket_client::kNoSocket = 0;

namespace {

// Starts the sockets layer (version 1.0) before the program's own code runs, and releases it at exit.
struct SocketsLayer {
  SocketsLayer() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 0), &data);
    std::atexit([] { WSACleanup(); });
  }
};
const SocketsLayer kSocketsLayer;

}  // namespace

namespace socket_platform {
namespace {

SOCKET Sock(Handle h) { return static_cast<SOCKET>(h); }

}  // namespace

Handle StartConnection(Family family, const Text& address, int port, bool& pending) {
  sockaddr_storage peer{};
  int length = 0;
  const u_short port16 = htons(static_cast<u_short>(port & 0xFFFF));
  if (family == Family::kIpv4) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&peer);
    v4->sin_family = AF_INET;
    v4->sin_port = port16;
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) != 1) return socket_client::kNoSocket;
    length = sizeof *v4;
  } else {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&peer);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = port16;
    if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) != 1) return socket_client::kNoSocket;
    length = sizeof *v6;
  }
  const SOCKET s = socket(peer.ss_family, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return socket_client::kNoSocket;
  // Not inherited by child processes ("cls"): a copy there would keep the connection open.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  // Non-blocking for good: the connect waits in select, and so do sends, so that neither a
  // silent host nor a full send buffer holds the client past its time-out.
  u_long non_blocking = 1;
  ioctlsocket(s, FIONBIO, &non_blocking);
  const bool made = connect(s, reinterpret_cast<const sockaddr*>(&peer), length) == 0;
  pending = !made && WSAGetLastError() == WSAEWOULDBLOCK;
  if (made || pending) return static_cast<Handle>(s);
  closesocket(s);
  return socket_client::kNoSocket;
}

bool FinishConnection(Handle h) {
  int error = 0;
  int length = sizeof error;
  return getsockopt(Sock(h), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
}

unsigned WaitReady(Handle h, unsigned events, int timeout_ms) {
  const WaitKind kind = ClassifyWait(timeout_ms);
  if (kind == WaitKind::kInvalid) return 0;
  const Deadline deadline(kind == WaitKind::kLimited ? timeout_ms : 0);
  for (;;) {
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    if ((events & kReadable) != 0) FD_SET(Sock(h), &readable);
    if ((events & kWritable) != 0) FD_SET(Sock(h), &writable);
    FD_SET(Sock(h), &failed);  // where Windows reports a connection attempt that failed
    timeval tv{0, 0};
    timeval* wait = &tv;
    if (kind == WaitKind::kForever) wait = nullptr;
    if (kind == WaitKind::kLimited) {
      const std::optional<int> left = deadline.Left();
      if (!left) return 0;
      tv.tv_sec = static_cast<long>(*left / 1000);
      tv.tv_usec = static_cast<long>(*left % 1000 * 1000);
    }
    const int rc = select(0, (events & kReadable) != 0 ? &readable : nullptr,
                          (events & kWritable) != 0 ? &writable : nullptr, &failed, wait);
    if (rc < 0) return 0;
    if (FD_ISSET(Sock(h), &failed)) return events;  // the next call tells what failed
    const unsigned ready = (FD_ISSET(Sock(h), &readable) ? kReadable : 0u) | (FD_ISSET(Sock(h), &writable) ? kWritable : 0u);
    if (ready != 0) return ready;
    if (kind != WaitKind::kLimited) return 0;  // select can end a little early: wait out the rest
  }
}

std::ptrdiff_t SendSome(Handle h, ByteView bytes) {
  const int piece = static_cast<int>(bytes.size() > (1u << 30) ? (1u << 30) : bytes.size());
  const int n = send(Sock(h), bytes.data(), piece, 0);
  if (n >= 0) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

int ReceiveSome(Handle h, char* block, int size) {
  const int n = recv(Sock(h), block, size, 0);
  return n < 0 ? -1 : n;
}

bool CloseSocket(Handle h) { return closesocket(Sock(h)) == 0; }

std::vector<HostAddress> LookUpHost(const Text& host) {
  std::vector<HostAddress> addresses;
  // A numeric address needs no resolver.
  unsigned char numeric[16];
  if (inet_pton(AF_INET, host.c_str(), numeric) == 1) return {{Family::kIpv4, host}};
  if (inet_pton(AF_INET6, host.c_str(), numeric) == 1) return {{Family::kIpv6, host}};
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return addresses;  // the lookup's own hold
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0) {
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
      char text[INET6_ADDRSTRLEN] = {};
      if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) ||
          getnameinfo(a->ai_addr, static_cast<socklen_t>(a->ai_addrlen), text, sizeof text, nullptr, 0,
                      NI_NUMERICHOST) != 0) {
        continue;
      }
      addresses.push_back({a->ai_family == AF_INET ? Family::kIpv4 : Family::kIpv6, text});
    }
    freeaddrinfo(found);
  }
  WSACleanup();
  return addresses;
}

}  // namespace socket_platform
}  // namespace rcon
