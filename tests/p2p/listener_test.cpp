// The listener: its log lines, accepting peers for connection threads, a
// port that is taken, stopping, and peers that misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <regex>
#include <set>
#include <thread>

#include "p2p/connection/listener.h"
#include "platform/threads/threads.h"
#include "stand_in_host.h"
#include "support/bounded_wait.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "support/loopback.h"
#include "host/linked_host.h"
#include "support/test_paths.h"
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
  if (ReadExactly(peer, 4) != std::vector<uint8_t>{'U', 'D', 'A', 'G'}) return false;
  return SendWord(peer, code);
}

TEST_F(ListenerTest, LogsEachStepAndHandsAcceptedPeersOn) {
  ASSERT_TRUE(listener_.Start(FreePort()));
  std::vector<std::string> lines = host_.LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_FALSE(lines[0].empty());  // the socket library's own description
  EXPECT_EQ(lines[1], "socket created");
  EXPECT_EQ(lines[2], "bind ok");
  EXPECT_EQ(lines[3], "listening");

  Socket peer = ConnectLoopback(listener_.Port());
  ASSERT_NE(peer, platform::kInvalidSocket);
  ASSERT_TRUE(Call(peer, 3131, wire::kPushCode));
  EXPECT_TRUE(ReadUntilClosed(peer).empty());
  platform::CloseSocket(peer);
  ASSERT_TRUE(probe_.WaitEnded(1));
  ASSERT_EQ(probe_.EventNames(), (std::vector<std::string>{"add", "receive", "remove"}));
  EXPECT_EQ(probe_.Events()[0].uin, 3131u);
  // "connection accepted: " and the accepted socket's handle, nothing after.
  std::vector<std::string> accepted = AcceptedLines();
  ASSERT_EQ(accepted.size(), 1u);
  EXPECT_EQ(accepted[0], "connection accepted: " + std::to_string(probe_.Events()[0].socket));
  EXPECT_TRUE(std::regex_match(accepted[0], std::regex("connection accepted: [0-9]+")));
}

TEST_F(ListenerTest, WorksTheSameWithoutTheLogService) {
  host_.OfferLogService(false);
  probe_.ExpectCallBack(1);
  ASSERT_TRUE(listener_.Start(FreePort()));
  Socket peer = ConnectLoopback(listener_.Port());
  ASSERT_TRUE(Call(peer, 1, wire::kPullCode));
  ReadUntilClosed(peer);
  platform::CloseSocket(peer);
  ASSERT_TRUE(probe_.WaitEnded(1));
  EXPECT_EQ(probe_.EventNames(), (std::vector<std::string>{"add", "send", "remove"}));
  EXPECT_TRUE(host_.LogLines().empty());
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
  ASSERT_TRUE(SendAll(called, {'U', 'D', 'A', 'G'}));
  EXPECT_EQ(ReadExactly(called, 4), (std::vector<uint8_t>{2, 0, 0, 0}));
  ASSERT_TRUE(caller.WaitEnded(1));
  EXPECT_EQ(caller.EventNames(), (std::vector<std::string>{"add", "send", "remove"}));
  platform::CloseSocket(called);
  platform::CloseSocket(other);
}

TEST_F(ListenerTest, TwoPeersAtOnceEachGetAThread) {
  // Both transfers stay listed until their peers close.
  probe_.SetFileProcedure([](p2p::PeerConnection& connection, transfers::TransferHandle&) {
    uint8_t byte;
    while (connection.Read(&byte, 1) > 0) {
    }
    return false;
  });
  probe_.ExpectCallBack(2002);
  ASSERT_TRUE(listener_.Start(FreePort()));
  Socket first = ConnectLoopback(listener_.Port());
  Socket second = ConnectLoopback(listener_.Port());
  ASSERT_NE(first, platform::kInvalidSocket);
  ASSERT_NE(second, platform::kInvalidSocket);
  testing::BoundedThread other("second call",
                               [&] { EXPECT_TRUE(Call(second, 2002, wire::kPullCode)); });
  EXPECT_TRUE(Call(first, 1001, wire::kPushCode));
  other.Join();
  ASSERT_TRUE(probe_.WaitForEvents(4));
  std::vector<TransferEvent> events = probe_.Events();
  int adds = 0;
  for (const TransferEvent& event : events) {
    if (event.what != "add") continue;
    ++adds;
    EXPECT_EQ(event.direction, event.uin == 1001 ? transfers::Receive : transfers::Send);
  }
  EXPECT_EQ(adds, 2);
  EXPECT_EQ(AcceptedLines().size(), 2u);
  platform::CloseSocket(first);
  platform::CloseSocket(second);
  ASSERT_TRUE(probe_.WaitEnded(2));
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
  while (!reading) platform::SleepMilliseconds(1);
  platform::SleepMilliseconds(200);
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
      platform::SleepMilliseconds(2);
    }
  });
  platform::SleepMilliseconds(30);
  listener_.Stop();
  stopped = true;
  connector.Join();
  const size_t acceptedAtStop = AcceptedLines().size();
  // Every peer is closed by this side: by a connection thread once the peer
  // closes, or at once when it was accepted during the stop or never.
  for (Socket peer : peers) platform::ShutdownBoth(peer);
  ASSERT_TRUE(probe_.WaitEnded(static_cast<int>(acceptedAtStop)));
  platform::SleepMilliseconds(50);
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
    while (AcceptedLines().size() < static_cast<size_t>(i + 1)) platform::SleepMilliseconds(1);
  }
  ASSERT_TRUE(probe_.WaitEnded(kPeers, 30000));
  EXPECT_EQ(OpenDescriptors(), descriptors);  // every accepted socket closed
  EXPECT_TRUE(probe_.Events().empty());
  EXPECT_EQ(AcceptedLines().size(), static_cast<size_t>(kPeers));
}

}  // namespace
}  // namespace kvel::testing
