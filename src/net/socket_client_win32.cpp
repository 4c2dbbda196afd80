#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>

#include <cstdlib>
#include <string>

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

// A send or receive error: the peer's doing, or another.
std::ptrdiff_t ErrorResult(int error) {
  return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN || error == WSAENOTCONN
             ? kPeerGone
             : kIoFailed;
}

}  // namespace

Handle StartConnection(const SocketAddress& address, bool& pending) {
  const SOCKET s = socket(address.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return socket_client::kNoSocket;
  // Not inherited by child processes ("cls"): a copy there would keep the connection open.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  const BOOL on = TRUE;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
  // Every segment acknowledged at once (Windows 8 and later; elsewhere the setting is refused).
  DWORD every = 1, returned = 0;
  WSAIoctl(s, SIO_TCP_SET_ACK_FREQUENCY, &every, sizeof every, nullptr, 0, &returned, nullptr, nullptr);
  // Non-blocking for good: the connect waits in select, and so do sends, so that neither a
  // silent host nor a full send buffer holds the client past its time-out.
  u_long non_blocking = 1;
  ioctlsocket(s, FIONBIO, &non_blocking);
  const bool made = connect(s, reinterpret_cast<const sockaddr*>(address.bytes.data()),
                            static_cast<int>(address.bytes.size())) == 0;
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
  if (kind == WaitKind::kInvalid) return kWaitFailed;
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
    if (rc < 0) return kWaitFailed;
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
  return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : ErrorResult(WSAGetLastError());
}

std::ptrdiff_t ReceiveSome(Handle h, char* block, int size) {
  const int n = recv(Sock(h), block, size, 0);
  if (n == 0) return kPeerGone;
  return n > 0 ? n : ErrorResult(WSAGetLastError());
}

// Set once for good when the connection was started.
void AcknowledgeNow(Handle /*h*/) {}

bool CloseSocket(Handle h) { return closesocket(Sock(h)) == 0; }

std::vector<SocketAddress> LookUp(const Text& host, int port, bool numeric_only) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return {};  // the lookup's own hold
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | (numeric_only ? AI_NUMERICHOST : 0);
  addrinfo* found = nullptr;
  std::vector<SocketAddress> addresses;
  if (getaddrinfo(host.c_str(), std::to_string(port & 0xFFFF).c_str(), &hints, &found) == 0) {
    AppendAddresses(found, AF_INET, AF_INET6, addresses);
    freeaddrinfo(found);
  }
  WSACleanup();
  return addresses;
}

Text NumericText(const SocketAddress& address) {
  char text[INET6_ADDRSTRLEN] = {};
  const bool done = getnameinfo(reinterpret_cast<const sockaddr*>(address.bytes.data()),
                                static_cast<socklen_t>(address.bytes.size()), text, sizeof text, nullptr, 0,
                                NI_NUMERICHOST) == 0;
  return done ? Text(text) : Text();
}

}  // namespace socket_platform
}  // namespace rcon
