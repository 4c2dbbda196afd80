#include "net/socket_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "scripted_server.h"
#include "test_socket.h"
#include "elapsed.h"
#include "util/clock.h"

namespace rcon {
namespace {

using support::MillisecondsOf;

using support::AcceptWithin;
using support::CloseSocket;
using support::ListenLoopback;
using support::ReceiveSome;
using support::SendAll;
using support::SocketHandle;

// A bare loopback listener; the test accepts and scripts the peer by hand.
class Peer {
 public:
  Peer() { listener_ = ListenLoopback(0, port_); }
  ~Peer() {
    for (SocketHandle s : accepted_) CloseSocket(s);
    CloseSocket(listener_);
  }
  int port() const { return port_; }
  SocketHandle Accept() {
    const SocketHandle s = AcceptWithin(listener_, 2000);
    if (s != support::kNoSocketHandle) accepted_.push_back(s);
    return s;
  }
  void Close(SocketHandle s) {
    CloseSocket(s);
    std::erase(accepted_, s);
  }
  // Bytes the peer receives within the time.
  std::string Drain(SocketHandle s, std::size_t want, int timeout_ms = 2000) {
    std::string got;
    char block[65536];
    while (got.size() < want) {
      const int n = ReceiveSome(s, block, sizeof block, timeout_ms);
      if (n <= 0) break;
      got.append(block, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  SocketHandle listener_;
  int port_ = 0;
  std::vector<SocketHandle> accepted_;
};

TEST(SocketClientTest, ANewEndpointFailsAtOnce) {
  socket_client endpoint;
  bool ok = true;
  const auto ms = MillisecondsOf([&] {
    EXPECT_EQ(endpoint.Send("x", 0), NetStatus::kFailed);
    EXPECT_TRUE(endpoint.Receive(0, &ok).empty());
    EXPECT_FALSE(endpoint.Close());
  });
  EXPECT_FALSE(ok);
  EXPECT_LT(ms, 100);
}

TEST(SocketClientTest, WaitTimeOutsFollowTheTable) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  ASSERT_NE(peer.Accept(), support::kNoSocketHandle);
  char block[16];
  int n = 0;
  EXPECT_LT(MillisecondsOf([&] { EXPECT_EQ(endpoint.Receive(block, 16, -1, n), NetStatus::kTimedOut); }), 100);
  EXPECT_LT(MillisecondsOf([&] { EXPECT_EQ(endpoint.Receive(block, 16, -5, n), NetStatus::kFailed); }), 100);
  const auto waited = MillisecondsOf([&] { EXPECT_EQ(endpoint.Receive(block, 16, 1500, n), NetStatus::kTimedOut); });
  EXPECT_EQ(n, 0);
  EXPECT_GE(waited, 1490);
  EXPECT_LT(waited, 2500);
}

TEST(SocketClientTest, ReceiveWithoutLimitWaitsForData) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  const SocketHandle s = peer.Accept();
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SendAll(s, "late");
  });
  bool ok = false;
  EXPECT_EQ(endpoint.Receive(0, &ok), "late");
  EXPECT_TRUE(ok);
  later.join();
}

TEST(SocketClientTest, ThePeersCloseFailsAReceiveAtOnce) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  peer.Close(peer.Accept());
  char block[16];
  int n = 0;
  EXPECT_LT(MillisecondsOf([&] { EXPECT_EQ(endpoint.Receive(block, 16, 5000, n), NetStatus::kClosed); }), 1000);
}

TEST(SocketClientTest, OneReceiveTakesAtMost20480Bytes) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  const SocketHandle s = peer.Accept();
  ASSERT_TRUE(SendAll(s, std::string(30000, 'z')));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let every byte arrive
  EXPECT_EQ(endpoint.Receive(1000).size(), 20480u);
  EXPECT_EQ(endpoint.Receive(1000).size(), 9520u);
}

TEST(SocketClientTest, SendPutsEveryByteOnTheWire) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  const SocketHandle s = peer.Accept();
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  std::string got;
  std::thread reader([&] { got = peer.Drain(s, big.size()); });
  EXPECT_EQ(endpoint.Send(big, 10000), NetStatus::kOk);
  reader.join();
  EXPECT_EQ(got, big);
  EXPECT_EQ(endpoint.Send("", 1000), NetStatus::kOk);  // nothing to send is a success
}

TEST(SocketClientTest, SendToAClosedPeerFailsWithoutKillingTheProcess) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  peer.Close(peer.Accept());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  NetStatus status = NetStatus::kOk;
  for (int i = 0; i < 20 && status == NetStatus::kOk; ++i) status = endpoint.Send(std::string(65536, 'x'), 1000);
  EXPECT_EQ(status, NetStatus::kClosed);  // and the process lives on: no SIGPIPE
}

TEST(SocketClientTest, SendToAPeerThatNeverReadsStopsAtTheTimeOut) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  ASSERT_NE(peer.Accept(), support::kNoSocketHandle);
  NetStatus status = NetStatus::kOk;
  const auto ms = MillisecondsOf([&] { status = endpoint.Send(std::string(64 << 20, 'x'), 500); });
  EXPECT_EQ(status, NetStatus::kTimedOut);
  EXPECT_LT(ms, 2000);
}

TEST(SocketClientTest, ConnectGivesUpOnASilentHostAtTheTimeOut) {
  const support::SilentHost host = support::StartSilentHost();
  ASSERT_NE(host.filler, support::kNoSocketHandle);
  socket_client endpoint;
  bool connected = true;
  const auto ms = MillisecondsOf([&] { connected = endpoint.Connect("127.0.0.1", host.port, 300); });
  EXPECT_FALSE(connected);
  EXPECT_GE(ms, 295);
  EXPECT_LT(ms, 1500);
  support::StopSilentHost(host);
  // A refused connection fails at once, whatever the time-out.
  EXPECT_LT(MillisecondsOf([&] { EXPECT_FALSE(endpoint.Connect("127.0.0.1", host.port, 5000)); }), 1000);
}

TEST(SocketClientTest, PortUsesItsLow16Bits) {
  Peer peer;
  socket_client endpoint;
  EXPECT_TRUE(endpoint.Connect("127.0.0.1", peer.port() + 65536));
  EXPECT_NE(peer.Accept(), support::kNoSocketHandle);
}

TEST(SocketClientTest, ConnectTakesNumericAddressesOnly) {
  Peer peer;
  socket_client endpoint;
  EXPECT_FALSE(endpoint.Connect("localhost", peer.port()));
  EXPECT_FALSE(endpoint.Connect("", peer.port()));
  EXPECT_FALSE(endpoint.Connect(std::string(300, '1'), peer.port()));
  EXPECT_FALSE(endpoint.IsConnected());
}

TEST(SocketClientTest, AReconnectClosesTheReplacedConnection) {
  support::ScriptedServer server({});
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", server.Port()));
  ASSERT_TRUE(server.WaitUntil([&] { return server.OpenConnections() == 1; }, 2000));
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", server.Port()));
  EXPECT_TRUE(server.WaitUntil([&] { return server.Accepted() == 2 && server.OpenConnections() == 1; }, 2000));
  // A failed connect keeps the connection held.
  EXPECT_FALSE(endpoint.Connect("127.0.0.1", 1));
  EXPECT_TRUE(endpoint.IsConnected());
}

TEST(SocketClientTest, CloseTwice) {
  Peer peer;
  socket_client endpoint;
  ASSERT_TRUE(endpoint.Connect("127.0.0.1", peer.port()));
  EXPECT_TRUE(endpoint.Close());
  EXPECT_FALSE(endpoint.Close());
}

TEST(ResolveHostAddressTest, ResolvesToANumericAddressIpv4First) {
  EXPECT_EQ(ResolveHostAddress("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(ResolveHostAddress("localhost"), "127.0.0.1");  // IPv4 first when a name has both
  EXPECT_EQ(ResolveHostAddress("::1"), "::1");
  EXPECT_EQ(ResolveHostAddress(""), "");
}

TEST(SocketClientTest, ConnectsOverIpv6) {
  support::ScriptedServer server({.ipv6 = true});
  ASSERT_NE(server.Port(), 0);
  socket_client endpoint;
  EXPECT_TRUE(endpoint.Connect("::1", server.Port()));
  EXPECT_TRUE(server.WaitUntil([&] { return server.Accepted() == 1; }, 2000));
  EXPECT_FALSE(endpoint.Connect("::1::2", server.Port()));
}

// A resolver that answers only after a while, as one that never answers looks to a caller with a time-out.
std::vector<SocketAddress> SlowLookup(const Text& host, int port) {
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  return LookUpName(host == "slow.test" ? "127.0.0.1" : host, port);
}

TEST(LookUpWithinTest, ANameLookupEndsAtTheTimeOutAndANumericAddressAsksNoResolver) {
  std::vector<SocketAddress> found{{}};
  EXPECT_LT(MillisecondsOf([&] { found = LookUpWithin("slow.test", 1, 300, SlowLookup); }), 500);
  EXPECT_TRUE(found.empty());
  EXPECT_LT(MillisecondsOf([&] { found = LookUpWithin("127.0.0.1", 1, 300, SlowLookup); }), 100);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_FALSE(found[0].ipv6);
  // Given the time, the answer is taken.
  EXPECT_EQ(LookUpWithin("slow.test", 1, 3000, SlowLookup).size(), 1u);
  Peer peer;
  socket_client endpoint;
  EXPECT_LT(MillisecondsOf([&] { EXPECT_FALSE(endpoint.ConnectToHost("slow.test", peer.port(), 300, SlowLookup)); }),
            500);
}

TEST(SocketClientTest, EveryAddressIsTriedInTurnWithinTheOneTimeOut) {
  Peer peer;
  socket_client endpoint;
  std::vector<SocketAddress> addresses = LookUpWithin("127.0.0.1", peer.port(), 0);
  addresses.insert(addresses.begin(), LookUpWithin("127.0.0.1", 1, 0).front());  // nothing listens on port 1
  ASSERT_EQ(addresses.size(), 2u);
  EXPECT_TRUE(endpoint.ConnectToAny(addresses, 1000));
  EXPECT_NE(peer.Accept(), support::kNoSocketHandle);
  // A silent first address takes the whole time-out: the next one is not reached.
  const support::SilentHost host = support::StartSilentHost();
  addresses.front() = LookUpWithin("127.0.0.1", host.port, 0).front();
  const auto ms = MillisecondsOf([&] { EXPECT_FALSE(endpoint.ConnectToAny(addresses, 300)); });
  EXPECT_GE(ms, 295);
  EXPECT_LT(ms, 1000);
  support::StopSilentHost(host);
}

}  // namespace
}  // namespace rcon
