// A loopback proxy that makes a connection look like one over a real network: every byte is
// delayed (40 ms each way), and what the server sends is cut anew into pieces of 1 to 1500
// bytes with pauses of up to 30 ms between some of them, as routers and congestion cut a stream. What
// the client sends goes on in the pieces it was written in, as small writes cross a network.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "test_socket.h"

namespace rcon::support {

class DelayingProxy {
 public:
  // Forwards connections on a port of 127.0.0.1 to the target port there; `seed` fixes the cuts.
  DelayingProxy(int target_port, unsigned seed, int latency_ms = 40);
  // Stops forwarding and closes every connection.
  ~DelayingProxy();
  DelayingProxy(const DelayingProxy&) = delete;
  DelayingProxy& operator=(const DelayingProxy&) = delete;

  // The port it listens on; 0 when it could not listen.
  int Port() const { return port_; }

 private:
  struct Link;
  void AcceptLoop();

  int target_port_;
  unsigned seed_;
  int latency_ms_;
  SocketHandle listener_ = kNoSocketHandle;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::vector<std::unique_ptr<Link>> links_;
  std::thread acceptor_;
};

}  // namespace rcon::support
