#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "net/socket_client.h"
#include "net/wait_time.h"

namespace rcon {

const socket_client::Handle socket_client::kNoSocket = -1;

namespace {

using Clock = std::chrono::steady_clock;

int Fd(socket_client::Handle h) { return static_cast<int>(h); }

// Waits until the descriptor is ready for `events` or the time-out passes; true when ready.
// A signal does not cut the wait short: it resumes with the time that is left.
bool WaitReady(int fd, short events, int timeout_ms) {
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
    pollfd p{fd, events, 0};
    const int rc = poll(&p, 1, wait);
    if (rc > 0) return true;  // readable, writable, or hung up: the next call tells which
    if (rc < 0 && errno != EINTR) return false;
    if (rc == 0 && (kind != WaitKind::kLimited || Clock::now() >= deadline)) return false;
  }
}

// Finishes a connect that a signal interrupted: it goes on in the background.
bool AwaitInterruptedConnect(int fd) {
  if (!WaitReady(fd, POLLOUT, 0)) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
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
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(port & 0xFFFF));
  if (address.size() > 255 || inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) return false;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return false;
  const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 ||
                         (errno == EINTR && AwaitInterruptedConnect(fd));
  if (!connected) {
    close(fd);
    return false;
  }
  Close();
  handle_ = fd;
  return true;
}

bool socket_client::Send(ByteView data, int timeout_ms) {
  if (handle_ == kNoSocket) return false;
  const auto start = Clock::now();
  std::size_t sent = 0;
  do {
    int wait = timeout_ms;
    if (ClassifyWait(timeout_ms) == WaitKind::kLimited && sent > 0) {
      // Later parts share what is left of the one time-out.
      const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
      if (spent >= timeout_ms) return false;
      wait = timeout_ms - static_cast<int>(spent);
    }
    if (!WaitReady(Fd(handle_), POLLOUT, wait)) return false;
    if (data.empty()) return true;
    const ssize_t n = send(Fd(handle_), data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      return false;
    }
  } while (sent < data.size());
  return true;
}

Bytes socket_client::Receive(int timeout_ms, bool* ok) {
  if (ok != nullptr) *ok = false;
  if (handle_ == kNoSocket || !WaitReady(Fd(handle_), POLLIN, timeout_ms)) return Bytes();
  char block[kReceiveBlockBytes];
  ssize_t n;
  do {
    n = recv(Fd(handle_), block, sizeof block, 0);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return Bytes();
  if (ok != nullptr) *ok = true;
  return Bytes(block, static_cast<std::size_t>(n));
}

bool socket_client::Close() {
  if (handle_ == kNoSocket) return false;
  const int rc = close(Fd(handle_));
  handle_ = kNoSocket;
  return rc == 0;
}

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
