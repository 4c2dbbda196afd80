#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "net/socket_platform.h"
#include "net/wait_time.h"

namespace rcon {

const socket_client::Handle socket_client::kNoSocket = -1;

namespace socket_platform {
namespace {

using Clock = std::chrono::steady_clock;

int Fd(Handle h) { return static_cast<int>(h); }

// Finishes a connect that a signal interrupted: it goes on in the background.
bool AwaitInterruptedConnect(int fd) {
  if (!WaitReady(fd, true, 0)) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

Handle OpenConnection(const Text& address, int port) {
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(port & 0xFFFF));
  if (inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) return socket_client::kNoSocket;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return socket_client::kNoSocket;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 ||
      (errno == EINTR && AwaitInterruptedConnect(fd))) {
    return fd;
  }
  close(fd);
  return socket_client::kNoSocket;
}

bool WaitReady(Handle h, bool for_write, int timeout_ms) {
  const WaitKind kind = ClassifyWait(timeout_ms);
  if (kind == WaitKind::kInvalid) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kind == WaitKind::kLimited ? timeout_ms : 0);
  for (;;) {
    int wait = -1;  // poll's own "no limit"
    if (kind == WaitKind::kPollOnce) wait = 0;
    if (kind == WaitKind::kLimited) {
      // Rounded up: a wait that ends a fraction early would make a silent server look like
      // a broken connection to a caller that measures how long the wait took.
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd p{Fd(h), static_cast<short>(for_write ? POLLOUT : POLLIN), 0};
    const int rc = poll(&p, 1, wait);
    if (rc > 0) return true;  // ready, or hung up: the next call tells which
    if (rc < 0 && errno != EINTR) return false;
    if (rc == 0 && (kind != WaitKind::kLimited || Clock::now() >= deadline)) return false;
  }
}

std::ptrdiff_t SendSome(Handle h, ByteView bytes) {
  const ssize_t n = send(Fd(h), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (n >= 0) return n;
  return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
}

int ReceiveSome(Handle h, char* block, int size) {
  ssize_t n;
  do {
    n = recv(Fd(h), block, static_cast<std::size_t>(size), 0);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

bool CloseSocket(Handle h) { return close(Fd(h)) == 0; }

}  // namespace socket_platform

Text ResolveHostAddress(const Text& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return Text();
  char dotted[INET_ADDRSTRLEN] = {};
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const bool ok = inet_ntop(AF_INET, &address->sin_addr, dotted, sizeof dotted) != nullptr;
  freeaddrinfo(found);
  return ok ? Text(dotted) : Text();
}

}  // namespace rcon
