#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

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

// A send or receive error: the peer's doing, or another.
std::ptrdiff_t ErrorResult(int error) {
  return error == EPIPE || error == ECONNRESET || error == ENOTCONN ? kPeerGone : kIoFailed;
}

}  // namespace

Handle StartConnection(const SocketAddress& address, bool& pending) {
  const int fd = socket(address.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
  if (fd < 0) return socket_client::kNoSocket;
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  const bool made = connect(fd, reinterpret_cast<const sockaddr*>(address.bytes.data()),
                            static_cast<socklen_t>(address.bytes.size())) == 0;
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
  if (kind == WaitKind::kInvalid) return kWaitFailed;
  const Deadline deadline(kind == WaitKind::kLimited ? timeout_ms : 0);
  const auto asked = static_cast<short>(((events & kReadable) != 0 ? POLLIN : 0) | ((events & kWritable) != 0 ? POLLOUT : 0));
  for (;;) {
    int wait = -1;  // poll's own "no limit"
    if (kind == WaitKind::kPollOnce) wait = 0;
    if (kind == WaitKind::kLimited) {
      // Measured on the callers' own clock, and waited out to its end.
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
    if (rc < 0 && errno != EINTR) return kWaitFailed;
    if (rc == 0 && kind != WaitKind::kLimited) return 0;
  }
}

std::ptrdiff_t SendSome(Handle h, ByteView bytes) {
  const ssize_t n = send(Fd(h), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (n >= 0) return n;
  return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK ? 0 : ErrorResult(errno);
}

std::ptrdiff_t ReceiveSome(Handle h, char* block, int size) {
  ssize_t n;
  do {
    n = recv(Fd(h), block, static_cast<std::size_t>(size), 0);
  } while (n < 0 && errno == EINTR);
  if (n == 0) return kPeerGone;
  return n > 0 ? n : ErrorResult(errno);
}

void AcknowledgeNow(Handle h) {
#ifdef TCP_QUICKACK
  const int on = 1;  // Linux: a delayed acknowledgement goes out now
  setsockopt(Fd(h), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#else
  (void)h;
#endif
}

bool CloseSocket(Handle h) { return close(Fd(h)) == 0; }

std::vector<SocketAddress> LookUp(const Text& host, int port, bool numeric_only) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | (numeric_only ? AI_NUMERICHOST : 0);
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port & 0xFFFF).c_str(), &hints, &found) != 0) return {};
  std::vector<SocketAddress> addresses;
  AppendAddresses(found, AF_INET, AF_INET6, addresses);
  freeaddrinfo(found);
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
