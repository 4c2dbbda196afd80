#include "net/socket_client.h"

#include "net/socket_platform.h"
#include "net/wait_time.h"
#include "util/clock.h"

namespace rcon {

namespace sp = socket_platform;

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
  const Handle fresh = sp::OpenConnection(address, port);
  if (fresh == kNoSocket) return false;
  Close();  // the connection it replaces would otherwise stay open, half-used, on the server
  handle_ = fresh;
  return true;
}

bool socket_client::Send(ByteView data, int timeout_ms) {
  if (handle_ == kNoSocket) return false;
  const std::int32_t start = TickCount();
  const bool limited = ClassifyWait(timeout_ms) == WaitKind::kLimited;
  std::size_t sent = 0;
  do {
    int wait = timeout_ms;
    if (limited && sent > 0) {
      // Later parts share what is left of the one time-out.
      const std::int64_t spent = TicksBetween(start, TickCount());
      if (spent >= timeout_ms) return false;
      wait = timeout_ms - static_cast<int>(spent);
    }
    if (!sp::WaitReady(handle_, true, wait)) return false;
    if (data.empty()) return true;
    const std::ptrdiff_t n = sp::SendSome(handle_, data.substr(sent));
    if (n < 0) return false;
    sent += static_cast<std::size_t>(n);
  } while (sent < data.size());
  return true;
}

Bytes socket_client::Receive(int timeout_ms, bool* ok) {
  if (ok != nullptr) *ok = false;
  if (handle_ == kNoSocket || !sp::WaitReady(handle_, false, timeout_ms)) return Bytes();
  char block[kReceiveBlockBytes];
  const int n = sp::ReceiveSome(handle_, block, kReceiveBlockBytes);
  if (n <= 0) return Bytes();
  if (ok != nullptr) *ok = true;
  return Bytes(block, static_cast<std::size_t>(n));
}

bool socket_client::Close() {
  if (handle_ == kNoSocket) return false;
  const bool closed = sp::CloseSocket(handle_);
  handle_ = kNoSocket;
  return closed;
}

}  // namespace rcon
