#include <arpa/inet.h>
#include <dirent.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "test_socket.h"

namespace rcon::support {

SocketHandle ListenLoopback(int port, int& bound_port, bool ipv6, int backlog) {
  const int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocketHandle;
  const int yes = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_storage address{};
  socklen_t length = 0;
  if (ipv6) {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    v6->sin6_addr = in6addr_loopback;
    length = sizeof *v6;
  } else {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(port));
    v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    length = sizeof *v4;
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return kNoSocketHandle;
  }
  bound_port = ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);  // the same place in both families
  return fd;
}

SocketHandle ConnectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  if (fd >= 0) close(fd);
  return kNoSocketHandle;
}

SocketHandle AcceptWithin(SocketHandle listener, int timeout_ms) {
  pollfd p{static_cast<int>(listener), POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return kNoSocketHandle;
  const int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNoSocketHandle : fd;
}

int ReceiveSome(SocketHandle s, char* buffer, int size, int timeout_ms) {
  pollfd p{static_cast<int>(s), POLLIN, 0};
  const int ready = poll(&p, 1, timeout_ms);
  if (ready == 0) return -1;
  if (ready < 0) return errno == EINTR ? -1 : -2;
  const ssize_t n = recv(static_cast<int>(s), buffer, static_cast<std::size_t>(size), 0);
  return n < 0 ? -2 : static_cast<int>(n);
}

bool SendAll(SocketHandle s, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(static_cast<int>(s), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void CloseSocket(SocketHandle s) { close(static_cast<int>(s)); }

void ShutdownSend(SocketHandle s) { shutdown(static_cast<int>(s), SHUT_WR); }

void ResetSocket(SocketHandle s) {
  const linger hard{1, 0};
  setsockopt(static_cast<int>(s), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  close(static_cast<int>(s));
}

int OpenHandleCount() {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  int count = 0;
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count - 3;  // ".", ".." and the directory's own descriptor
}

}  // namespace rcon::support
