// What a peer can make a connection wait for: each phase's time limit (short
// ones here) and the cap on connections at once. The peer is played by the
// test over a loopback pair; the connection thread serves the other end.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "p2p/connection/connection_services.h"
#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/connection_probe.h"
#include "p2p/connection/connection_thread.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "support/loopback_pair.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using platform::Socket;

constexpr uint32_t kShort = 600;  // ms: each limit under test

std::vector<uint8_t> Bytes(std::initializer_list<uint32_t> words, size_t extra = 0) {
  std::vector<uint8_t> bytes = Words(words);
  bytes.resize(bytes.size() + extra);
  return bytes;
}

// The called side on `pair.a`, run by a connection thread whose file
// procedure reads until its reads fail and counts what it got.
class PeerWaitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pair_ = MakeLoopbackPair();
    ASSERT_NE(pair_.a, platform::kInvalidSocket);
    probe_.SetFileProcedure([this](p2p::PeerConnection& connection, transfers::TransferHandle&) {
      platform::SleepMilliseconds(userChoosesMs_);
      uint8_t buffer[64];
      for (int got; (got = connection.Read(buffer, sizeof buffer)) > 0;) read_ += got;
      return false;
    });
    p2p::ConnectionRequest request;
    request.socket = platform::SocketHandle(pair_.a);
    request.services = probe_.Services();
    pair_.a = platform::kInvalidSocket;  // the thread closes it
    thread_ = testing::BoundedThread("connection", p2p::RunConnection, std::move(request));
  }
  void TearDown() override {
    platform::ShutdownBoth(pair_.b);
    thread_.Join();
    CloseLoopbackPair(pair_);
  }

  // Sends `bytes` one at a time, `gapMs` apart, until all are sent or the
  // connection fails.
  void Drip(const std::vector<uint8_t>& bytes, uint32_t gapMs) {
    for (uint8_t byte : bytes) {
      if (!SendAll(pair_.b, {byte})) return;
      platform::SleepMilliseconds(gapMs);
    }
  }
  bool DroppedAsTooSlow() {
    for (const std::string& line : probe_.LogLines())
      if (line.rfind("peer too slow, dropped: ", 0) == 0) return true;
    return false;
  }

  ConnectionProbe probe_{ShortLimits(kShort)};
  LoopbackPair pair_;
  testing::BoundedThread thread_;
  std::atomic<int> read_{0};
  // How long this side's user takes before the file procedure reads.
  std::atomic<uint32_t> userChoosesMs_{0};
};

TEST_F(PeerWaitsTest, ASilentCallerIsDroppedDuringTheHandshake) {
  EXPECT_TRUE(ReadUntilClosed(pair_.b).empty());
  thread_.Join();
  EXPECT_TRUE(probe_.Events().empty());
  EXPECT_TRUE(DroppedAsTooSlow());
}

TEST_F(PeerWaitsTest, TheHandshakeMustBeWholeInTimeHoweverItIsSplit) {
  // Each byte comes well within the limit; all of them together do not.
  Drip(Bytes({5, 6, wire::kPushCode}), kShort / 3);
  thread_.Join();
  EXPECT_TRUE(probe_.Events().empty());
  EXPECT_TRUE(DroppedAsTooSlow());
}

TEST_F(PeerWaitsTest, TheOfferMustBeWholeInTime) {
  ASSERT_TRUE(SendAll(pair_.b, Bytes({5, 6, wire::kPushCode})));
  // Offer start, info, two reserved words and the 320-byte description.
  Drip(Bytes({1, 3, 0, 0}, 320), kShort / 3);
  thread_.Join();
  EXPECT_EQ(probe_.EventNames(), (std::vector<std::string>{"add", "receive", "remove"}));
  EXPECT_LT(read_.load(), 336);
  EXPECT_TRUE(DroppedAsTooSlow());
}

TEST_F(PeerWaitsTest, OnceDataFlowsEachReadWaitsItsOwnTime) {
  // The whole offer at once, then data in pieces that together take longer
  // than one read may wait, then a silence longer than that.
  ASSERT_TRUE(SendAll(pair_.b, Bytes({5, 6, wire::kPushCode})));
  ASSERT_TRUE(SendAll(pair_.b, Bytes({1, 3, 0, 0}, 320)));
  for (int piece = 0; piece < 6; ++piece) {
    ASSERT_TRUE(SendAll(pair_.b, std::vector<uint8_t>(10, 0xAB)));
    platform::SleepMilliseconds(kShort / 3);
  }
  thread_.Join();
  EXPECT_EQ(read_.load(), 336 + 60);
  EXPECT_TRUE(DroppedAsTooSlow());
}

TEST_F(PeerWaitsTest, TheAnswerToAnOfferMustBeWholeInTime) {
  // The peer pulls: this side offers and waits for the 12-byte answer, which
  // comes a byte at a time, each well within the limit.
  probe_.ExpectCallBack(5);
  ASSERT_TRUE(SendAll(pair_.b, Bytes({5, 6, wire::kPullCode})));
  Drip(Bytes({6, 0, 0}), kShort / 3);
  thread_.Join();
  EXPECT_EQ(probe_.EventNames(), (std::vector<std::string>{"add", "send", "remove"}));
  EXPECT_LT(read_.load(), 12);
  EXPECT_TRUE(DroppedAsTooSlow());
}

TEST_F(PeerWaitsTest, TheAnswersTimeStartsOnceThisUserHasOffered) {
  // This user takes longer to choose than the peer may take to answer; the
  // answer then comes within the limit of the first read for it.
  probe_.ExpectCallBack(5);
  userChoosesMs_ = 2 * kShort;
  ASSERT_TRUE(SendAll(pair_.b, Bytes({5, 6, wire::kPullCode})));
  platform::SleepMilliseconds(2 * kShort + kShort / 3);
  ASSERT_TRUE(SendAll(pair_.b, Bytes({6, 0, 0})));
  thread_.Join();
  EXPECT_EQ(read_.load(), 12);
}

TEST_F(PeerWaitsTest, APeerThatClosesIsNotTooSlow) {
  ASSERT_TRUE(SendAll(pair_.b, Bytes({5, 6, wire::kPushCode})));
  platform::ShutdownBoth(pair_.b);
  thread_.Join();
  EXPECT_FALSE(DroppedAsTooSlow());
}

// Connections over the cap are closed at once with a log line (a send of
// this user's that finds no place: failing_sends_test.cpp); their places
// come back as connections end.
TEST(ConnectionCap, OneConnectionOverTheCapIsClosedAtOnce) {
  StartSockets();
  p2p::ConnectionLimits limits;  // long waits: the held connections stay
  limits.maxConnections = 2;
  limits.reservedForOwn = 0;
  ConnectionProbe probe(limits);
  std::vector<LoopbackPair> pairs;
  for (int i = 0; i < 3; ++i) {
    pairs.push_back(MakeLoopbackPair());
    ASSERT_NE(pairs.back().a, platform::kInvalidSocket);
    p2p::StartIncoming(pairs.back().a, probe.Services());
  }
  // The third is closed before anybody reads from it.
  EXPECT_TRUE(ReadUntilClosed(pairs[2].b).empty());
  pairs[2].a = platform::kInvalidSocket;
  ASSERT_EQ(probe.LogLines().size(), 1u);
  EXPECT_EQ(probe.LogLines()[0].rfind("too many connections, closed: ", 0), 0u);

  // One held connection ends: a new one is taken again.
  platform::ShutdownBoth(pairs[0].b);
  ASSERT_TRUE(probe.WaitEnded(1));
  LoopbackPair next = MakeLoopbackPair();
  p2p::StartIncoming(next.a, probe.Services());
  ASSERT_TRUE(SendAll(next.b, Bytes({5, 6, wire::kPushCode})));
  EXPECT_EQ(ReadExactly(next.b, 4), kAnswerBytes);
  next.a = platform::kInvalidSocket;
  platform::ShutdownBoth(next.b);
  platform::ShutdownBoth(pairs[1].b);
  ASSERT_TRUE(probe.WaitEnded(3));
  EXPECT_EQ(probe.Connections().Count(), 0u);
  // Every transfer begun, the refused ones' too, has ended.
  EXPECT_EQ(probe.Transfers().Count(), 0u);
  for (LoopbackPair& pair : pairs) {
    pair.a = platform::kInvalidSocket;  // closed by their threads
    CloseLoopbackPair(pair);
  }
  CloseLoopbackPair(next);
}

}  // namespace
}  // namespace kvel::testing
