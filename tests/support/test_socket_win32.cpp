#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "test_socket.h"

namespace rcon::support {
namespace {

// The server's own hold on the sockets layer, so it does not depend on the client's.
struct Layer {
  Layer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Layer() { WSACleanup(); }
};
const Layer kLayer;

SOCKET Sock(SocketHandle s) { return static_cast<SOCKET>(s); }

// Keeps a socket out of the programs the tests start: a copy there would hold it open.
SOCKET NotInherited(SOCKET s) {
  if (s != INVALID_SOCKET) SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return s;
}

bool Readable(SocketHandle s, int timeout_ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(Sock(s), &set);
  timeval tv{timeout_ms / 1000, timeout_ms % 1000 * 1000};
  return select(0, &set, nullptr, nullptr, &tv) > 0;
}

}  // namespace

SocketHandle ListenLoopback(int port, int& bound_port, bool ipv6, int backlog) {
  const SOCKET s = NotInherited(socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (s == INVALID_SOCKET) return kNoSocketHandle;
  sockaddr_storage address{};
  int length = 0;
  if (ipv6) {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<u_short>(port));
    v6->sin6_addr = in6addr_loopback;
    length = sizeof *v6;
  } else {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<u_short>(port));
    v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    length = sizeof *v4;
  }
  if (bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(s, backlog) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(s);
    return kNoSocketHandle;
  }
  bound_port = ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);  // the same place in both families
  return static_cast<SocketHandle>(s);
}

SocketHandle ConnectLoopback(int port) {
  const SOCKET s = NotInherited(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s != INVALID_SOCKET && connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    return static_cast<SocketHandle>(s);
  }
  if (s != INVALID_SOCKET) closesocket(s);
  return kNoSocketHandle;
}

SocketHandle AcceptWithin(SocketHandle listener, int timeout_ms) {
  if (!Readable(listener, timeout_ms)) return kNoSocketHandle;
  const SOCKET s = NotInherited(accept(Sock(listener), nullptr, nullptr));
  return s == INVALID_SOCKET ? kNoSocketHandle : static_cast<SocketHandle>(s);
}

int ReceiveSome(SocketHandle s, char* buffer, int size, int timeout_ms) {
  if (!Readable(s, timeout_ms)) return -1;
  const int n = recv(Sock(s), buffer, size, 0);
  return n < 0 ? -2 : n;
}

bool SendAll(SocketHandle s, std::string_view bytes) {
  while (!bytes.empty()) {
    const int n = send(Sock(s), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void CloseSocket(SocketHandle s) { closesocket(Sock(s)); }

void ShutdownSend(SocketHandle s) { shutdown(Sock(s), SD_SEND); }

void ResetSocket(SocketHandle s) {
  const linger hard{1, 0};
  setsockopt(Sock(s), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
  closesocket(Sock(s));
}

int OpenHandleCount() {
  DWORD count = 0;
  return GetProcessHandleCount(GetCurrentProcess(), &count) ? static_cast<int>(count) : -1;
}

}  // namespace rcon::support
