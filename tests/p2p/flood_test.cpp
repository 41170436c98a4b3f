// No peer can hold the door: one address that opens connection after
// connection and holds each (a hello and a direction code, then nothing)
// keeps only a few, while a caller from another address and this user's
// own send still get through. Callers are bound to 127.0.0.x addresses;
// the limits are short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/linked_host.h"
#include "p2p/listener.h"
#include "platform/threads.h"
#include "stand_in_host.h"
#include "support/connection_probe.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "support/test_paths.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using platform::Socket;

const std::vector<uint8_t> kUdag = {'U', 'D', 'A', 'G'};

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

  // Calls from `source` as `uin` with code 2: the handshake's 12 bytes.
  // The socket is held until the test ends.
  Socket Call(const char* source, uint32_t uin) {
    Socket peer = ConnectLoopbackFrom(listener_.Port(), source);
    if (peer == platform::kInvalidSocket) return peer;
    held_.push_back(peer);
    SendAll(peer, Words({uin, 1001, wire::kPushCode}));
    return peer;
  }
  // True when the listener's side answered the hello; false when it closed.
  static bool Answered(Socket peer) { return ReadExactly(peer, 4) == kUdag; }
  size_t LinesStarting(const std::string& start) {
    size_t count = 0;
    for (const std::string& line : probe_.LogLines()) count += line.rfind(start, 0) == 0;
    return count;
  }
  bool WaitForAdd(uint32_t uin) {
    for (int waited = 0; waited < 10000; waited += 5) {
      for (const TransferEvent& event : probe_.Events())
        if (event.what == "add" && event.uin == uin) return true;
      platform::SleepMilliseconds(5);
    }
    return false;
  }

  ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
  ConnectionProbe probe_{Short()};
  p2p::Listener listener_{services_, probe_.Services()};
  std::vector<Socket> held_;
};

TEST_F(FloodTest, OneAddressHoldsAFewWhileAnotherCallerAndTheUsersSendGetThrough) {
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
  EXPECT_TRUE(WaitForAdd(3003));

  // So is this user's own send.
  LoopbackServer contact;
  probe_.SetPeer({LoopbackAddress(), contact.Port()});
  ASSERT_TRUE(p2p::StartOutgoing(4004, wire::kPushCode, probe_.Services()));
  Socket called = contact.Accept();
  ASSERT_NE(called, platform::kInvalidSocket);
  held_.push_back(called);
  EXPECT_EQ(ReadExactly(called, 8).size(), 8u);
  ASSERT_TRUE(SendAll(called, kUdag));
  EXPECT_EQ(ReadExactly(called, 4), Words({wire::kPushCode}));
  EXPECT_TRUE(probe_.Unreached().empty());
}

TEST_F(FloodTest, OneNumberFromManyAddressesHoldsAFew) {
  // Each address is under its limit; the number claimed by all is not.
  int listed = 0;
  for (const char* source : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    ASSERT_TRUE(Answered(Call(source, 666)));  // the number is read with the hello
  }
  for (int waited = 0; waited < 10000 && LinesStarting("too many pending of one") == 0; waited += 5)
    platform::SleepMilliseconds(5);
  EXPECT_EQ(LinesStarting("too many pending of one number, closed: 666"), 1u);
  for (const TransferEvent& event : probe_.Events()) listed += event.what == "add";
  EXPECT_EQ(listed, 2);
  EXPECT_EQ(probe_.Connections().PendingOf(666), 2u);
}

}  // namespace
}  // namespace kvel::testing
