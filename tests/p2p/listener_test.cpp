// The listener: its log lines, accepting peers for connection threads, a
// port that is taken, stopping, and peers that misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "p2p/connection/listener.h"
#include "platform/threads/threads.h"
#include "stand_in_host.h"
#include "support/bounded_wait.h"
#include "support/connection_probe.h"
#include "support/fake_connection.h"
#include "p2p/connection/connection_thread.h"
#include "support/loopback.h"
#include "host/linked_host.h"
#include "support/test_paths.h"
#include "wait_until.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using platform::Socket;

// Open descriptors of this process where the platform shows them, else -1.
int OpenDescriptors() {
#ifdef __linux__
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
#else
  return -1;
#endif
}

class ListenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartSockets();
    host_.OfferLogService(true);
  }
  void TearDown() override { listener_.Stop(); }

  std::vector<std::string> AcceptedLines() {
    std::vector<std::string> lines;
    for (const std::string& line : host_.LogLines())
      if (line.rfind("connection accepted: ", 0) == 0) lines.push_back(line);
    return lines;
  }

  // These peers all call from 127.0.0.1, more at once than the cap: the
  // cap and the limits per address have tests of their own
  // (connection_set_test.cpp, flood_test.cpp).
  static p2p::ConnectionLimits OneAddressLimits() {
    p2p::ConnectionLimits limits;
    limits.maxConnections = 64;
    limits.maxPendingPerAddress = limits.maxConnections;
    limits.maxPendingPerNumber = limits.maxConnections;
    return limits;
  }

  ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
  ConnectionProbe probe_{OneAddressLimits()};
  p2p::Listener listener_{services_, probe_.Services()};
};

// The caller's part of the handshake, played by the test.
bool Call(Socket peer, uint32_t ownUin, uint32_t code) {
  std::array<uint8_t, 8> hello = wire::EncodeCallerHello(ownUin, 42);
  if (!SendAll(peer, {hello.begin(), hello.end()})) return false;
  if (ReadExactly(peer, 4) != kAnswerBytes) return false;
  return SendWord(peer, code);
}

// Each step is logged while the log service is there; either way the
// accepted peer goes to a connection thread, which lists the transfer the
// caller's code asks for.
TEST_F(ListenerTest, LogsEachStepAndHandsAcceptedPeersOn) {
  for (const bool logged : {true, false}) {
    SCOPED_TRACE(logged ? "logged" : "no log service");
    standin::Host host(scratch_.Path());
    host.OfferLogService(logged);
    host::LinkedHost services(host.Link(), nullptr);
    ConnectionProbe probe(OneAddressLimits());
    probe.ExpectCallBack(3131);
    p2p::Listener listener(services, probe.Services());
    ASSERT_TRUE(listener.Start(FreePort()));
    std::vector<std::string> lines = host.LogLines();
    ASSERT_EQ(lines.size(), logged ? 4u : 0u);
    const uint32_t code = logged ? wire::kPushCode : wire::kPullCode;
    Socket peer = ConnectLoopback(listener.Port());
    ASSERT_NE(peer, platform::kInvalidSocket);
    ASSERT_TRUE(Call(peer, 3131, code));
    EXPECT_TRUE(ReadUntilClosed(peer).empty());
    platform::CloseSocket(peer);
    ASSERT_TRUE(probe.WaitEnded(1));
    ASSERT_EQ(
        probe.EventNames(),
        (std::vector<std::string>{"add", code == wire::kPushCode ? "receive" : "send", "remove"}));
    EXPECT_EQ(probe.Events()[0].uin, 3131u);
    // "connection accepted: " and the accepted socket's handle, nothing after.
    const std::string accepted = "connection accepted: " + std::to_string(probe.Events()[0].socket);
    // The socket library's own description first.
    const std::vector<std::string> all =
        logged
            ? std::vector<std::string>{lines[0], "socket created", "bind ok", "listening", accepted}
            : std::vector<std::string>{};
    EXPECT_EQ(host.LogLines(), all);
    listener.Stop();
  }
}

TEST_F(ListenerTest, TakenPortFailsAfterSocketCreatedAndOutgoingStillWorks) {
  // Another program listens on the port already.
  Socket other = platform::CreateTcpSocket();
  ASSERT_TRUE(platform::BindSocket(other, platform::InetAddr("0.0.0.0"), 0));
  ASSERT_TRUE(platform::ListenSocket(other, 1));
  const uint16_t taken = platform::LocalPort(other);

  EXPECT_FALSE(listener_.Start(taken));
  std::vector<std::string> lines = host_.LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "socket created");
  EXPECT_EQ(listener_.Port(), 0);

  // This side can still call a peer.
  LoopbackServer peerServer;
  ConnectionProbe caller;
  caller.SetPeer({LoopbackAddress(), peerServer.Port()});
  ASSERT_TRUE(p2p::StartOutgoing(42, wire::kPushCode, caller.Services()));
  Socket called = peerServer.Accept();
  ASSERT_NE(called, platform::kInvalidSocket);
  EXPECT_EQ(ReadExactly(called, 8).size(), 8u);
  ASSERT_TRUE(SendAll(called, kAnswerBytes));
  EXPECT_EQ(ReadExactly(called, 4), (std::vector<uint8_t>{2, 0, 0, 0}));
  ASSERT_TRUE(caller.WaitEnded(1));
  EXPECT_EQ(caller.EventNames(), (std::vector<std::string>{"add", "send", "remove"}));
  platform::CloseSocket(called);
  platform::CloseSocket(other);
}

// Eight calls made at the same moment, all connected before any is served:
// each is accepted and handshaken, none is refused or lost. Counted, not
// timed.
TEST_F(ListenerTest, ABurstOfCallsIsAllAccepted) {
  constexpr int kCalls = 8;
  ASSERT_TRUE(listener_.Start(FreePort()));
  const uint16_t port = listener_.Port();
  testing::Rendezvous ready(kCalls, "every caller to be running");
  std::atomic<int> called{0};
  std::vector<testing::BoundedThread> callers;
  for (int i = 0; i < kCalls; ++i) {
    callers.emplace_back("a caller", [&, i] {
      // All threads connect together once every one of them is running.
      if (!ready.ArriveAndWait()) return;
      Socket peer = ConnectLoopback(port);
      if (peer == platform::kInvalidSocket) return;
      if (Call(peer, 5000 + static_cast<uint32_t>(i), wire::kPushCode)) ++called;
      ReadUntilClosed(peer);
      platform::CloseSocket(peer);
    });
  }
  for (testing::BoundedThread& caller : callers) caller.Join();
  ASSERT_TRUE(probe_.WaitEnded(kCalls));
  EXPECT_EQ(called, kCalls);
  EXPECT_EQ(AcceptedLines().size(), static_cast<size_t>(kCalls));
  std::set<uint32_t> served;
  for (const TransferEvent& event : probe_.Events())
    if (event.what == "add") served.insert(event.uin);
  EXPECT_EQ(served.size(), static_cast<size_t>(kCalls));
}

TEST_F(ListenerTest, AcceptedSocketBlocks) {
  std::atomic<bool> reading{false};
  std::atomic<int> got{0};
  probe_.SetFileProcedure([&](p2p::PeerConnection& connection, transfers::TransferHandle&) {
    uint8_t bytes[4];
    reading = true;
    // Nothing is there yet: a non-blocking socket would fail at once.
    got = connection.Read(bytes, 4);
    return false;
  });
  ASSERT_TRUE(listener_.Start(FreePort()));
  Socket peer = ConnectLoopback(listener_.Port());
  ASSERT_TRUE(Call(peer, 7, wire::kPushCode));
  // The word comes once the read has begun: a read that did not wait for it
  // has ended the thread without it.
  ASSERT_TRUE(e2e::WaitUntil([&] { return reading.load(); }, 10000));
  ASSERT_TRUE(SendWord(peer, 0xABCD));
  ASSERT_TRUE(probe_.WaitEnded(1));
  EXPECT_EQ(got, 4);
  platform::CloseSocket(peer);
}

TEST_F(ListenerTest, NoPeerIsHandedOnAfterStop) {
  ASSERT_TRUE(listener_.Start(FreePort()));
  const uint16_t port = listener_.Port();
  std::atomic<bool> stopped{false};
  std::vector<Socket> peers;
  testing::BoundedThread connector("the connector", [&] {
    for (int i = 0; i < 40 && !stopped; ++i) {
      Socket peer = ConnectLoopback(port);
      if (peer != platform::kInvalidSocket) peers.push_back(peer);
    }
  });
  // Stopped while peers keep calling.
  ASSERT_TRUE(e2e::WaitUntil([&] { return !AcceptedLines().empty(); }, 10000, 1));
  listener_.Stop();
  stopped = true;
  connector.Join();
  const size_t acceptedAtStop = AcceptedLines().size();
  // Every peer is closed by this side: by a connection thread once the peer
  // closes, or at once when it was accepted during the stop or never.
  for (Socket peer : peers) platform::ShutdownBoth(peer);
  ASSERT_TRUE(probe_.WaitEnded(static_cast<int>(acceptedAtStop)));
  EXPECT_EQ(AcceptedLines().size(), acceptedAtStop);
  EXPECT_EQ(probe_.Ended(), static_cast<int>(acceptedAtStop));
  EXPECT_TRUE(probe_.Events().empty());
  EXPECT_EQ(ConnectLoopback(port), platform::kInvalidSocket);
  for (Socket peer : peers) platform::CloseSocket(peer);
}

// Peers that connect and misbehave, one after another: each connection ends
// quietly and nothing is listed.
TEST_F(ListenerTest, HundredMisbehavingPeersEndQuietly) {
  ASSERT_TRUE(listener_.Start(FreePort()));
  const std::vector<std::vector<uint8_t>> behaviours = {
      {},                                    // connects and closes
      {0xDE, 0xAD},                          // a little garbage
      {1, 0, 0, 0, 2, 0, 0, 0, 9, 9, 9, 9},  // a code that is none
      std::vector<uint8_t>(64, 0xFF),        // more garbage than a handshake
      {1, 0, 0, 0, 2, 0, 0},                 // closes within the numbers
  };
  constexpr int kPeers = 100;
  const int descriptors = OpenDescriptors();
  for (int i = 0; i < kPeers; ++i) {
    Socket peer = ConnectLoopback(listener_.Port());
    ASSERT_NE(peer, platform::kInvalidSocket) << i;
    SendAll(peer, behaviours[i % behaviours.size()]);
    platform::ShutdownBoth(peer);
    platform::CloseSocket(peer);
    // One at a time: the connection cap closes the peers of a burst.
    ASSERT_TRUE(e2e::WaitUntil([&] { return AcceptedLines().size() >= static_cast<size_t>(i + 1); },
                               10000, 1))
        << i;
  }
  ASSERT_TRUE(probe_.WaitEnded(kPeers, 30000));
  EXPECT_EQ(OpenDescriptors(), descriptors);  // every accepted socket closed
  EXPECT_TRUE(probe_.Events().empty());
  EXPECT_EQ(AcceptedLines().size(), static_cast<size_t>(kPeers));
}

}  // namespace
}  // namespace kvel::testing
