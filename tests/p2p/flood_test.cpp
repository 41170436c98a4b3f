// No peer can hold the door: one address that opens connection after
// connection and holds each (a hello and a direction code, then nothing)
// keeps only a few, while a caller from another address still gets through
// (the places a peer cannot take from this user's own sends:
// connection_set_test.cpp). Callers are bound to 127.0.0.x addresses; the
// limits are short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/linked_host.h"
#include "p2p/connection/listener.h"
#include "platform/threads/threads.h"
#include "stand_in_host.h"
#include "support/connection_probe.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "support/test_paths.h"
#include "wait_until.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using e2e::WaitUntil;
using platform::Socket;

// Eight places, two kept for the user's own, two pending per address and
// per number. The waits are long: held connections stay held.
p2p::ConnectionLimits Short() {
  p2p::ConnectionLimits limits;
  limits.maxConnections = 8;
  limits.reservedForOwn = 2;
  limits.maxPendingPerAddress = 2;
  limits.maxPendingPerNumber = 2;
  return limits;
}

class FloodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartSockets();
    host_.OfferLogService(true);
    // Every transfer stays until its peer goes.
    probe_.SetFileProcedure([](p2p::PeerConnection& connection, transfers::TransferHandle&) {
      uint8_t byte;
      while (connection.Read(&byte, 1) > 0) {
      }
      return false;
    });
    ASSERT_TRUE(listener_.Start(FreePort()));
  }
  void TearDown() override {
    for (Socket socket : held_) platform::ShutdownBoth(socket);
    listener_.Stop();
    for (Socket socket : held_) platform::CloseSocket(socket);
  }

  // Calls from `source` as `uin` with `code`: the handshake's 12 bytes.
  // The socket is held until the test ends.
  Socket Call(const char* source, uint32_t uin, uint32_t code = wire::kPushCode) {
    Socket peer = ConnectLoopbackFrom(listener_.Port(), source);
    if (peer == platform::kInvalidSocket) return peer;
    held_.push_back(peer);
    SendAll(peer, Words({uin, 1001, code}));
    return peer;
  }
  // True when the listener's side answered the hello; false when it closed.
  static bool Answered(Socket peer) { return ReadExactly(peer, 4) == kAnswerBytes; }
  size_t LinesStarting(const std::string& start) {
    size_t count = 0;
    for (const std::string& line : probe_.LogLines()) count += line.rfind(start, 0) == 0;
    return count;
  }
  size_t ListedOf(uint32_t uin) {
    size_t listed = 0;
    for (const TransferEvent& event : probe_.Events())
      listed += event.what == "add" && event.uin == uin;
    return listed;
  }

  ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
  ConnectionProbe probe_{Short()};
  p2p::Listener listener_{services_, probe_.Services()};
  std::vector<Socket> held_;
};

TEST_F(FloodTest, OneAddressHoldsAFewWhileAnotherCallerGetsThrough) {
  constexpr int kFlood = 12;
  int answered = 0;
  for (int i = 0; i < kFlood; ++i) answered += Answered(Call("127.0.0.2", 6000 + i));
  EXPECT_EQ(answered, 2);
  EXPECT_EQ(LinesStarting("too many pending from one address, closed: 127.0.0.2"),
            static_cast<size_t>(kFlood - 2));
  EXPECT_EQ(probe_.Connections().PendingFrom(platform::InetAddr("127.0.0.2")), 2u);

  // Another caller, at another address, is served.
  Socket other = Call("127.0.0.3", 3003);
  ASSERT_TRUE(Answered(other));
  EXPECT_TRUE(WaitUntil([&] { return ListedOf(3003) == 1; }, 10000));
}

// The number in a hello is only a claim: callers at other addresses than
// the contact's announced one (127.0.0.1 here) count against their own
// addresses alone, so they cannot lock the contact out; the contact's own
// connections count against its number.
TEST_F(FloodTest, ANumberCountsOnlyFromItsAnnouncedAddress) {
  for (const char* source : {"127.0.0.2", "127.0.0.3", "127.0.0.4"})
    ASSERT_TRUE(Answered(Call(source, 666)));
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(Answered(Call("127.0.0.1", 666)));
  EXPECT_TRUE(WaitUntil([&] { return ListedOf(666) == 5u; }, 10000)) << ListedOf(666);
  EXPECT_EQ(probe_.Connections().PendingOf(666), 2u);
  EXPECT_EQ(probe_.Connections().PendingFrom(platform::InetAddr("127.0.0.2")), 1u);
  EXPECT_EQ(LinesStarting("too many pending of one number"), 0u);
}

// The places kept for the user's own sends stay theirs while a call-back
// is awaited: strangers that fill every other place get none of them, and
// the contact's call-back from its announced address does.
TEST_F(FloodTest, OnlyTheAwaitedContactTakesAReservedPlace) {
  probe_.ExpectCallBack(777);  // 777 is announced at 127.0.0.1
  for (const char* source : {"127.0.0.2", "127.0.0.3", "127.0.0.4"})
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(Answered(Call(source, 777)));
  EXPECT_FALSE(Answered(Call("127.0.0.5", 777)));
  EXPECT_EQ(LinesStarting("too many connections, closed"), 1u);

  ASSERT_TRUE(Answered(Call("127.0.0.1", 777, wire::kPullCode)));
  EXPECT_TRUE(WaitUntil([&] { return probe_.CallBacks().CountOf(777) == 0; }, 10000));
  EXPECT_EQ(probe_.Connections().Count(), 7u);
}

// A storm of code-3 hellos claiming the contact gets nothing and leaves
// its wait to the contact's own call-back.
TEST_F(FloodTest, AStormOfStrangersCallingBackLeavesTheWaitToTheContact) {
  probe_.ExpectCallBack(777);
  constexpr int kStorm = 12;
  for (int i = 0; i < kStorm; ++i) {
    Socket stranger = ConnectLoopbackFrom(listener_.Port(), i % 2 ? "127.0.0.2" : "127.0.0.3");
    ASSERT_NE(stranger, platform::kInvalidSocket);
    SendAll(stranger, Words({777, 1001, wire::kPullCode}));
    // Closed before any byte of a file (or at once, while its address
    // holds as many connections as it may).
    const std::vector<uint8_t> got = ReadUntilClosed(stranger);
    EXPECT_TRUE(got.empty() || got == kAnswerBytes);
    platform::CloseSocket(stranger);
  }
  EXPECT_EQ(LinesStarting("call-back not from the contact's address, refused: peer=777") +
                LinesStarting("too many pending from one address"),
            static_cast<size_t>(kStorm));
  EXPECT_EQ(probe_.CallBacks().CountOf(777), 1u);
  ASSERT_TRUE(Answered(Call("127.0.0.1", 777, wire::kPullCode)));
  EXPECT_TRUE(WaitUntil([&] { return probe_.CallBacks().CountOf(777) == 0; }, 10000));
}

}  // namespace
}  // namespace kvel::testing
