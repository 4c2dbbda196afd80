// The floor for the whole-process benchmarks: the least a client must do for the same work.
// It connects, logs in, prints "ready", then for every line of standard input sends one
// command packet, receives the reply packets, and writes the reply body followed by a line end.
// No console texts, no time stamps, no code-page conversion, no repair of a broken connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Put32(std::string& out, std::int32_t v) {
  for (int k = 0; k < 4; ++k) out += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
}

std::int32_t Get32(const char* p) {
  std::uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[k])) << (8 * k);
  return static_cast<std::int32_t>(v);
}

void SendPacket(int s, std::int32_t type, const char* body, std::size_t n) {
  std::string p;
  Put32(p, static_cast<std::int32_t>(n + 9));
  Put32(p, 0);
  Put32(p, type);
  p.append(body, n);
  p += '\0';
  send(s, p.data(), p.size(), MSG_NOSIGNAL);
}

bool ReadExactly(int s, char* into, std::size_t n) {
  while (n > 0) {
    const ssize_t got = recv(s, into, n, 0);
    if (got <= 0) return false;
    into += got;
    n -= static_cast<std::size_t>(got);
  }
  return true;
}

// Reads one packet: its type, or -1; the body (up to its first zero byte) is appended to `body`.
int ReadPacket(int s, std::string& body, std::string& scratch) {
  char size[4];
  if (!ReadExactly(s, size, 4)) return -1;
  const std::int32_t n = Get32(size);
  if (n < 8 || n > (4 << 20)) return -1;
  scratch.resize(static_cast<std::size_t>(n));
  if (!ReadExactly(s, scratch.data(), scratch.size())) return -1;
  body.append(scratch.data() + 8, strnlen(scratch.data() + 8, scratch.size() - 8));
  return Get32(scratch.data() + 4);
}

bool MoreWaiting(int s) {
  pollfd p{s, POLLIN, 0};
  return poll(&p, 1, 0) > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: minimal-client ADDRESS PORT PASSWORD\n");
    return 2;
  }
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[2])));
  inet_pton(AF_INET, argv[1], &peer.sin_addr);
  if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) return 1;
  std::string body, scratch;
  SendPacket(s, 3, argv[3], std::strlen(argv[3]));
  int type;
  while ((type = ReadPacket(s, body, scratch)) == 0) {}  // skip an empty response before the login reply
  if (type != 2) return 1;
  std::fputs("ready\n", stdout);
  std::fflush(stdout);
  char line[2049];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    std::size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) --n;
    SendPacket(s, 2, line, n);
    body.clear();
    do {
      if (ReadPacket(s, body, scratch) < 0) return 1;
    } while (MoreWaiting(s));
    body += '\n';
    std::fwrite(body.data(), 1, body.size(), stdout);
  }
  close(s);
  return 0;
}
