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

bool socket_client::Connect(const Text& address, int port, int timeout_ms) {
  if (address.empty() || address.size() > 255) return false;
  // A numeric IPv6 address has colons; a dotted IPv4 address never does.
  const sp::Family family = address.find(':') != Text::npos ? sp::Family::kIpv6 : sp::Family::kIpv4;
  bool pending = false;
  const Handle fresh = sp::StartConnection(family, address, port, pending);
  if (fresh == kNoSocket) return false;
  // A host that never answers (a full accept queue, a silent firewall) is given up on at the time-out.
  if (pending && ((sp::WaitReady(fresh, sp::kWritable, timeout_ms) & sp::kWritable) == 0 || !sp::FinishConnection(fresh))) {
    sp::CloseSocket(fresh);
    return false;
  }
  Close();  // the connection it replaces would otherwise stay open, half-used, on the server
  handle_ = fresh;
  return true;
}

bool socket_client::Send(ByteView data, int timeout_ms) { return SendAll(data, timeout_ms, false) == SendOutcome::kSent; }

socket_client::SendOutcome socket_client::SendUnlessInput(ByteView data, int timeout_ms) {
  return SendAll(data, timeout_ms, true);
}

socket_client::SendOutcome socket_client::SendAll(ByteView data, int timeout_ms, bool input_first) {
  if (handle_ == kNoSocket) return SendOutcome::kFailed;
  const bool limited = ClassifyWait(timeout_ms) == WaitKind::kLimited;
  const Deadline deadline(limited ? timeout_ms : 0);
  std::size_t sent = 0;
  do {
    int wait = timeout_ms;
    if (limited && sent > 0) {
      // Later parts share what is left of the one time-out.
      const std::optional<int> left = deadline.Left();
      if (!left) return SendOutcome::kFailed;
      wait = *left;
    }
    const unsigned wanted = sp::kWritable | (input_first && sent == 0 ? sp::kReadable : 0u);
    const unsigned ready = sp::WaitReady(handle_, wanted, wait);
    if ((ready & sp::kReadable) != 0) return SendOutcome::kInputWaiting;
    if ((ready & sp::kWritable) == 0) return SendOutcome::kFailed;
    if (data.empty()) return SendOutcome::kSent;
    const std::ptrdiff_t n = sp::SendSome(handle_, data.substr(sent));
    if (n < 0) return SendOutcome::kFailed;
    sent += static_cast<std::size_t>(n);
  } while (sent < data.size());
  return SendOutcome::kSent;
}

Bytes socket_client::Receive(int timeout_ms, bool* ok) {
  char block[kReceiveBlockBytes];
  const int n = Receive(block, kReceiveBlockBytes, timeout_ms);
  if (ok != nullptr) *ok = n > 0;
  return Bytes(block, static_cast<std::size_t>(n));
}

int socket_client::Receive(char* block, int size, int timeout_ms) {
  if (handle_ == kNoSocket || (sp::WaitReady(handle_, sp::kReadable, timeout_ms) & sp::kReadable) == 0) return 0;
  const int n = sp::ReceiveSome(handle_, block, size);
  return n > 0 ? n : 0;
}

Text ResolveHostAddress(const Text& host) {
  if (host.empty()) return Text();
  const std::vector<sp::HostAddress> found = sp::LookUpHost(host);
  for (const sp::HostAddress& a : found) {
    if (a.family == sp::Family::kIpv4) return a.numeric;
  }
  return found.empty() ? Text() : found.front().numeric;
}

bool socket_client::Close() {
  if (handle_ == kNoSocket) return false;
  const bool closed = sp::CloseSocket(handle_);
  handle_ = kNoSocket;
  return closed;
}

}  // namespace rcon
