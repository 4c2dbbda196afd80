#include "delaying_proxy.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <string>

namespace rcon::support {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPollMs = 20;

// One direction of a connection: bytes read from one socket, held for the latency, written to
// the other; the end of the stream is passed on once everything before it is.
class Pump {
 public:
  Pump(SocketHandle from, SocketHandle to, int latency_ms, unsigned seed, bool recut, const std::atomic<bool>& stop)
      : from_(from), to_(to), latency_(latency_ms), state_(seed), recut_(recut), stop_(stop) {
    reader_ = std::thread([this] { Read(); });
    writer_ = std::thread([this] { Write(); });
  }
  ~Pump() {
    reader_.join();
    writer_.join();
  }

 private:
  struct Chunk {
    Clock::time_point due;
    std::string bytes;  // empty: the end of the stream
  };

  void Read() {
    char block[65536];
    for (;;) {
      const int n = stop_ ? 0 : ReceiveSome(from_, block, sizeof block, kPollMs);
      if (n == -1) continue;
      Push({Clock::now() + latency_, n > 0 ? std::string(block, static_cast<std::size_t>(n)) : std::string()});
      if (n <= 0) return;
    }
  }

  void Push(Chunk chunk) {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(chunk));
    changed_.notify_one();
  }

  unsigned Next(unsigned bound) {
    state_ = state_ * 1103515245u + 12345u;
    return (state_ >> 16) % bound;
  }

  void Write() {
    for (;;) {
      Chunk chunk;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !queue_.empty(); });
        chunk = std::move(queue_.front());
        queue_.pop_front();
      }
      std::this_thread::sleep_until(chunk.due);
      if (chunk.bytes.empty()) {
        ShutdownSend(to_);
        return;
      }
      std::string_view rest = chunk.bytes;
      while (!rest.empty() && !stop_) {
        const std::size_t piece = recut_ ? 1 + Next(1500) : rest.size();
        if (!SendAll(to_, rest.substr(0, piece))) break;
        rest.remove_prefix(std::min(piece, rest.size()));
        // A pause between pieces now and then, of up to 30 ms.
        if (recut_ && !rest.empty() && Next(4) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(Next(31)));
      }
    }
  }

  SocketHandle from_, to_;
  std::chrono::milliseconds latency_;
  unsigned state_;
  bool recut_;
  const std::atomic<bool>& stop_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Chunk> queue_;
  std::thread reader_, writer_;
};

}  // namespace

// A client's connection and the one made for it to the target, with a pump each way.
struct DelayingProxy::Link {
  Link(SocketHandle c, SocketHandle s, int latency_ms, unsigned seed, const std::atomic<bool>& stop)
      : client(c), server(s),
        up(std::make_unique<Pump>(c, s, latency_ms, seed, false, stop)),
        down(std::make_unique<Pump>(s, c, latency_ms, seed * 7 + 1, true, stop)) {}
  ~Link() {
    up.reset();
    down.reset();
    CloseSocket(client);
    CloseSocket(server);
  }
  SocketHandle client, server;
  std::unique_ptr<Pump> up, down;
};

DelayingProxy::DelayingProxy(int target_port, unsigned seed, int latency_ms)
    : target_port_(target_port), seed_(seed), latency_ms_(latency_ms) {
  listener_ = ListenLoopback(0, port_);
  if (listener_ == kNoSocketHandle) {
    port_ = 0;
    return;
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

DelayingProxy::~DelayingProxy() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  links_.clear();
  if (listener_ != kNoSocketHandle) CloseSocket(listener_);
}

void DelayingProxy::AcceptLoop() {
  while (!stopping_) {
    const SocketHandle client = AcceptWithin(listener_, kPollMs);
    if (client == kNoSocketHandle) continue;
    const SocketHandle server = ConnectLoopback(target_port_);
    if (server == kNoSocketHandle) {
      CloseSocket(client);
      continue;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    links_.push_back(std::make_unique<Link>(client, server, latency_ms_, seed_ + static_cast<unsigned>(links_.size()),
                                            stopping_));
  }
}

}  // namespace rcon::support
