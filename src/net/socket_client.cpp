#include "net/socket_client.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "net/socket_platform.h"
#include "net/wait_time.h"
#include "util/clock.h"

namespace rcon {

namespace sp = socket_platform;

namespace {

// What a lookup thread hands back to the caller waiting for it. Shared, so that a caller that
// stops waiting leaves the thread something to write into.
struct PendingLookup {
  std::mutex mutex;
  std::condition_variable done_changed;
  bool done = false;
  std::vector<SocketAddress> found;
};

// Runs the lookup on a thread of its own and waits for it at most `timeout_ms` (> 0). A resolver
// that never answers is left to finish on its own: its answer then goes nowhere.
std::vector<SocketAddress> LookUpOnThread(const Text& host, int port, int timeout_ms, NameLookup lookup) {
  auto pending = std::make_shared<PendingLookup>();
  std::thread([pending, host, port, lookup] {
    std::vector<SocketAddress> found = lookup(host, port);
    const std::lock_guard<std::mutex> lock(pending->mutex);
    pending->found = std::move(found);
    pending->done = true;
    pending->done_changed.notify_one();
  }).detach();
  std::unique_lock<std::mutex> lock(pending->mutex);
  if (!pending->done_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return pending->done; })) {
    return {};
  }
  return std::move(pending->found);
}

// What a wait gave, as a status: readiness for `wanted`, or why not.
NetStatus WaitStatus(unsigned ready, unsigned wanted) {
  if ((ready & wanted) != 0) return NetStatus::kOk;
  return (ready & sp::kWaitFailed) != 0 ? NetStatus::kFailed : NetStatus::kTimedOut;
}

}  // namespace

std::vector<SocketAddress> LookUpName(const Text& host, int port) { return sp::LookUp(host, port, false); }

std::vector<SocketAddress> LookUpWithin(const Text& host, int port, int timeout_ms, NameLookup lookup) {
  if (host.empty()) return {};
  // A numeric address needs no resolver, and no time.
  std::vector<SocketAddress> found = sp::LookUp(host, port, true);
  if (found.empty()) {
    found = ClassifyWait(timeout_ms) == WaitKind::kLimited ? LookUpOnThread(host, port, timeout_ms, lookup)
                                                            : lookup(host, port);
  }
  std::stable_partition(found.begin(), found.end(), [](const SocketAddress& a) { return !a.ipv6; });
  return found;
}

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

socket_client::Handle socket_client::Attempt(const SocketAddress& address, int timeout_ms) {
  bool pending = false;
  const Handle fresh = sp::StartConnection(address, pending);
  if (fresh == kNoSocket) return kNoSocket;
  // A host that never answers (a full accept queue, a silent firewall) is given up on at the time-out.
  if (pending && ((sp::WaitReady(fresh, sp::kWritable, timeout_ms) & sp::kWritable) == 0 || !sp::FinishConnection(fresh))) {
    sp::CloseSocket(fresh);
    return kNoSocket;
  }
  return fresh;
}

void socket_client::Hold(Handle fresh) {
  Close();  // the connection it replaces would otherwise stay open, half-used, on the server
  handle_ = fresh;
}

bool socket_client::Connect(const Text& address, int port, int timeout_ms) {
  if (address.empty() || address.size() > 255) return false;
  const std::vector<SocketAddress> parsed = sp::LookUp(address, port, true);
  if (parsed.empty()) return false;
  const Handle fresh = Attempt(parsed.front(), timeout_ms);
  if (fresh == kNoSocket) return false;
  Hold(fresh);
  return true;
}

bool socket_client::ConnectToAny(const std::vector<SocketAddress>& addresses, int timeout_ms) {
  const bool limited = ClassifyWait(timeout_ms) == WaitKind::kLimited;
  const Deadline deadline(limited ? timeout_ms : 0);
  for (const SocketAddress& address : addresses) {
    const std::optional<int> left = deadline.Left();
    if (!left) return false;
    const Handle fresh = Attempt(address, limited ? *left : timeout_ms);
    if (fresh != kNoSocket) {
      Hold(fresh);
      return true;
    }
  }
  return false;
}

bool socket_client::ConnectToHost(const Text& host, int port, int timeout_ms, NameLookup lookup) {
  const bool limited = ClassifyWait(timeout_ms) == WaitKind::kLimited;
  const Deadline deadline(limited ? timeout_ms : 0);
  const std::vector<SocketAddress> addresses = LookUpWithin(host, port, timeout_ms, lookup);
  if (!limited) return ConnectToAny(addresses, timeout_ms);
  const std::optional<int> left = deadline.Left();
  return left && ConnectToAny(addresses, *left);
}

NetStatus socket_client::Send(ByteView data, int timeout_ms) { return SendAll(data, timeout_ms, nullptr); }

NetStatus socket_client::SendUnlessInput(ByteView data, int timeout_ms, bool& input_waiting) {
  input_waiting = false;
  return SendAll(data, timeout_ms, &input_waiting);
}

NetStatus socket_client::SendAll(ByteView data, int timeout_ms, bool* input_waiting) {
  if (handle_ == kNoSocket) return NetStatus::kFailed;
  const bool limited = ClassifyWait(timeout_ms) == WaitKind::kLimited;
  const Deadline deadline(limited ? timeout_ms : 0);
  std::size_t sent = 0;
  do {
    int wait = timeout_ms;
    if (limited && sent > 0) {
      // Later parts share what is left of the one time-out.
      const std::optional<int> left = deadline.Left();
      if (!left) return NetStatus::kTimedOut;
      wait = *left;
    }
    const unsigned wanted = sp::kWritable | (input_waiting != nullptr && sent == 0 ? sp::kReadable : 0u);
    const unsigned ready = sp::WaitReady(handle_, wanted, wait);
    if ((ready & sp::kReadable) != 0) {
      *input_waiting = true;
      return NetStatus::kOk;
    }
    if (const NetStatus status = WaitStatus(ready, sp::kWritable); status != NetStatus::kOk) return status;
    if (data.empty()) return NetStatus::kOk;
    const std::ptrdiff_t n = sp::SendSome(handle_, data.substr(sent));
    if (n == sp::kPeerGone) return NetStatus::kClosed;
    if (n < 0) return NetStatus::kFailed;
    sent += static_cast<std::size_t>(n);
  } while (sent < data.size());
  return NetStatus::kOk;
}

NetStatus socket_client::Receive(char* block, int size, int timeout_ms, int& received) {
  received = 0;
  if (handle_ == kNoSocket) return NetStatus::kFailed;
  if (const NetStatus status = WaitStatus(sp::WaitReady(handle_, sp::kReadable, timeout_ms), sp::kReadable);
      status != NetStatus::kOk) {
    return status;
  }
  const std::ptrdiff_t n = sp::ReceiveSome(handle_, block, size);
  if (n == sp::kPeerGone) return NetStatus::kClosed;
  if (n <= 0) return NetStatus::kFailed;
  received = static_cast<int>(n);
  return NetStatus::kOk;
}

Bytes socket_client::Receive(int timeout_ms, bool* ok) {
  char block[kReceiveBlockBytes];
  int n = 0;
  const NetStatus status = Receive(block, kReceiveBlockBytes, timeout_ms, n);
  if (ok != nullptr) *ok = status == NetStatus::kOk;
  return Bytes(block, static_cast<std::size_t>(n));
}

Text ResolveHostAddress(const Text& host) {
  const std::vector<SocketAddress> found = LookUpWithin(host, 0, 0);
  return found.empty() ? Text() : sp::NumericText(found.front());
}

void socket_client::AcknowledgeNow() {
  if (handle_ != kNoSocket) sp::AcknowledgeNow(handle_);
}

bool socket_client::Close() {
  if (handle_ == kNoSocket) return false;
  const bool closed = sp::CloseSocket(handle_);
  handle_ = kNoSocket;
  return closed;
}

}  // namespace rcon
