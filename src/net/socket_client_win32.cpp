#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>

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

Handle OpenConnection(const Text& address, int port) {
  const unsigned long ip = inet_addr(address.c_str());
  if (ip == INADDR_NONE && address != "255.255.255.255") return socket_client::kNoSocket;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return socket_client::kNoSocket;
  // Not inherited by child processes ("cls"): a copy there would keep the connection open.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = ip;
  peer.sin_port = htons(static_cast<u_short>(port & 0xFFFF));
  if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    closesocket(s);
    return socket_client::kNoSocket;
  }
  u_long non_blocking = 1;  // sends wait in select, so a full send buffer cannot block past the time-out
  ioctlsocket(s, FIONBIO, &non_blocking);
  return static_cast<Handle>(s);
}

bool WaitReady(Handle h, bool for_write, int timeout_ms) {
  const WaitKind kind = ClassifyWait(timeout_ms);
  if (kind == WaitKind::kInvalid) return false;
  const std::int32_t start = TickCount();
  for (;;) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Sock(h), &set);
    timeval tv{0, 0};
    timeval* wait = &tv;
    if (kind == WaitKind::kForever) wait = nullptr;
    if (kind == WaitKind::kLimited) {
      const std::int64_t left = timeout_ms - TicksBetween(start, TickCount());
      if (left <= 0) return false;
      tv.tv_sec = static_cast<long>(left / 1000);
      tv.tv_usec = static_cast<long>(left % 1000 * 1000);
    }
    const int rc = select(0, for_write ? nullptr : &set, for_write ? &set : nullptr, nullptr, wait);
    if (rc < 0) return false;
    if (FD_ISSET(Sock(h), &set)) return true;
    if (kind != WaitKind::kLimited) return false;  // select can end a little early: wait out the rest
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

}  // namespace socket_platform

Text ResolveHostAddress(const Text& host) {
  Text result;
  WSADATA data;
  if (host.empty() || WSAStartup(MAKEWORD(1, 1), &data) != 0) return result;  // the lookup's own hold
  const hostent* entry = gethostbyname(host.c_str());
  if (entry != nullptr && entry->h_addrtype == AF_INET && entry->h_addr_list[0] != nullptr) {
    in_addr address;
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    result = inet_ntoa(address);
  }
  WSACleanup();
  return result;
}

}  // namespace rcon
