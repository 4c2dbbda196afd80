#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/socket_platform.h"
#include "net/wait_time.h"
#include "util/clock.h"

namespace rcon {

const socket_client::Handle socket_client::kNoSocket = -1;

namespace socket_platform {
namespace {

int Fd(Handle h) { return static_cast<int>(h); }

// Puts a connected socket back in blocking mode: every wait happens in poll, and sends never block.
bool MakeBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

Handle StartConnection(Family family, const Text& address, int port, bool& pending) {
  sockaddr_storage peer{};
  socklen_t length = 0;
  const auto port16 = htons(static_cast<std::uint16_t>(port & 0xFFFF));
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
  const int fd = socket(peer.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  if (fd < 0) return socket_client::kNoSocket;
  const bool made = connect(fd, reinterpret_cast<const sockaddr*>(&peer), length) == 0;
  pending = !made && errno == EINPROGRESS;
  if ((made && MakeBlocking(fd)) || pending) return fd;
  close(fd);
  return socket_client::kNoSocket;
}

bool FinishConnection(Handle h) {
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(Fd(h), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0 && MakeBlocking(Fd(h));
}

unsigned WaitReady(Handle h, unsigned events, int timeout_ms) {
  const WaitKind kind = ClassifyWait(timeout_ms);
  if (kind == WaitKind::kInvalid) return 0;
  const Deadline deadline(kind == WaitKind::kLimited ? timeout_ms : 0);
  const auto asked = static_cast<short>(((events & kReadable) != 0 ? POLLIN : 0) | ((events & kWritable) != 0 ? POLLOUT : 0));
  for (;;) {
    int wait = -1;  // poll's own "no limit"
    if (kind == WaitKind::kPollOnce) wait = 0;
    if (kind == WaitKind::kLimited) {
      // Measured on the callers' own clock, and waited out to its end: a wait that ended a
      // fraction early would make a silent server look like a broken connection to a caller
      // that measures how long the wait took.
      const std::optional<int> left = deadline.Left();
      if (!left) return 0;
      wait = *left;
    }
    pollfd p{Fd(h), asked, 0};
    const int rc = poll(&p, 1, wait);
    if (rc > 0) {
      if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return events;  // the next call tells which
      return ((p.revents & POLLIN) != 0 ? kReadable : 0u) | ((p.revents & POLLOUT) != 0 ? kWritable : 0u);
    }
    if (rc < 0 && errno != EINTR) return 0;
    if (rc == 0 && kind != WaitKind::kLimited) return 0;
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

std::vector<HostAddress> LookUpHost(const Text& host) {
  std::vector<HostAddress> addresses;
  // A numeric address needs no resolver.
  unsigned char numeric[16];
  if (inet_pton(AF_INET, host.c_str(), numeric) == 1) return {{Family::kIpv4, host}};
  if (inet_pton(AF_INET6, host.c_str(), numeric) == 1) return {{Family::kIpv6, host}};
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) ||
        getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0) {
      continue;
    }
    addresses.push_back({a->ai_family == AF_INET ? Family::kIpv4 : Family::kIpv6, text});
  }
  freeaddrinfo(found);
  return addresses;
}

}  // namespace socket_platform
}  // namespace rcon
