#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "net/socket_client.h"
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

SOCKET Sock(socket_client::Handle h) { return static_cast<SOCKET>(h); }

// Waits until the socket is readable (or writable) or the time-out passes; true when ready.
bool WaitReady(SOCKET s, bool for_write, int timeout_ms) {
  const WaitKind kind = ClassifyWait(timeout_ms);
  if (kind == WaitKind::kInvalid) return false;
  const std::int32_t start = TickCount();
  for (;;) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
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
    if (FD_ISSET(s, &set)) return true;
    // select can end a little early; a silent peer must cost the whole time-out.
    if (kind != WaitKind::kLimited) return false;
  }
}

}  // namespace

socket_client::~socket_client() { Close(); }

socket_client::socket_client(socket_client&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoSocket; }

socket_client& socket_client::operator=(socket_client&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = kNoSocket;
  }
  return *this;
}

bool socket_client::Connect(const Text& address, int port) {
  if (address.size() > 255) return false;
  const unsigned long ip = inet_addr(address.c_str());
  if (ip == INADDR_NONE && address != "255.255.255.255") return false;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  // Not inherited by child processes ("cls"): a copy there would keep the connection open.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = ip;
  peer.sin_port = htons(static_cast<u_short>(port & 0xFFFF));
  if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    closesocket(s);
    return false;
  }
  u_long non_blocking = 1;  // sends wait in select, so a full send buffer cannot block past the time-out
  ioctlsocket(s, FIONBIO, &non_blocking);
  Close();
  handle_ = static_cast<Handle>(s);
  return true;
}

bool socket_client::Send(ByteView data, int timeout_ms) {
  if (handle_ == kNoSocket) return false;
  const std::int32_t start = TickCount();
  std::size_t sent = 0;
  do {
    int wait = timeout_ms;
    if (ClassifyWait(timeout_ms) == WaitKind::kLimited && sent > 0) {
      const std::int64_t spent = TicksBetween(start, TickCount());
      if (spent >= timeout_ms) return false;
      wait = timeout_ms - static_cast<int>(spent);
    }
    if (!WaitReady(Sock(handle_), true, wait)) return false;
    if (data.empty()) return true;
    const int piece = static_cast<int>(data.size() - sent > (1u << 30) ? (1u << 30) : data.size() - sent);
    const int n = send(Sock(handle_), data.data() + sent, piece, 0);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
      return false;
    }
  } while (sent < data.size());
  return true;
}

Bytes socket_client::Receive(int timeout_ms, bool* ok) {
  if (ok != nullptr) *ok = false;
  if (handle_ == kNoSocket || !WaitReady(Sock(handle_), false, timeout_ms)) return Bytes();
  char block[kReceiveBlockBytes];
  const int n = recv(Sock(handle_), block, sizeof block, 0);
  if (n <= 0) return Bytes();
  if (ok != nullptr) *ok = true;
  return Bytes(block, static_cast<std::size_t>(n));
}

bool socket_client::Close() {
  if (handle_ == kNoSocket) return false;
  const int rc = closesocket(Sock(handle_));
  handle_ = kNoSocket;
  return rc == 0;
}

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
