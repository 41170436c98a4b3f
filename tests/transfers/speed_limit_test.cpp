// The speed limit on a scripted clock: transfers that keep asking for
// pieces move what the limit allows over any span, shared evenly, also in
// whole chunks below a chunk a tick; no limit holds nothing back; a stop
// ends a wait at once; and a paced stream keeps to its pieces and turn.
#include "transfers/pace/speed_limit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/threads/threads.h"
#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/golden_stream.h"
#include "support/lone_transfer.h"
#include "support/test_paths.h"
#include "transfers/pace/paced_connection.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/send_stream.h"
#include "wait_until.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

constexpr uint32_t kTurnMs = 30000;
constexpr size_t kChunk = 4108;  // 4096 bytes of data and their header

class SpeedLimitTest : public ::testing::Test {
 protected:
  std::unique_ptr<SpeedLimit> Limit(uint32_t kilobytes) {
    auto limit = std::make_unique<SpeedLimit>([this] { return now_.load(); }, kTurnMs, kChunk);
    limit->Configure(kilobytes);
    return limit;
  }
  std::atomic<uint32_t> now_{5000};
};

TEST_F(SpeedLimitTest, AnySpanHoldsTheLimitSharedEvenly) {
  const struct Case {
    const char* name;
    uint32_t kilobytes;
    size_t movers;
    size_t piece;  // 0: the limit's own
    uint32_t spanMs, runMs;
  } cases[] = {
      {"one transfer", 20000, 1, 0, 3000, 30000},
      {"four transfers", 20000, 4, 0, 3000, 30000},
      {"three slow ones", 100, 3, 0, 3000, 30000},
      {"a sender's whole chunks", 100, 2, kChunk, 3000, 30000},
      // A chunk takes four seconds: whole chunks go, in turn, at the pace.
      {"below a chunk a tick", 1, 2, kChunk, 120000, 300000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<SpeedLimit> limit = Limit(c.kilobytes);
    // Each mover asks again once its last piece has moved, a moment after
    // it went; the pieces go when the limit says.
    struct Piece {
      uint32_t at;
      size_t bytes, mover;
    };
    std::vector<Piece> went;
    std::vector<SpeedLimit::Share> shares;
    std::vector<uint32_t> ready(c.movers, now_);
    for (size_t i = 0; i < c.movers; ++i) shares.push_back(limit->Enter());
    const uint32_t start = now_;
    for (;;) {
      const size_t next = std::min_element(ready.begin(), ready.end()) - ready.begin();
      if (ready[next] >= start + c.runMs) break;
      now_ = ready[next];
      const size_t bytes = c.piece != 0 ? c.piece : limit->PieceBytes();
      went.push_back({now_ + limit->Reserve(shares[next], bytes), bytes, next});
      ready[next] = went.back().at + 1;
    }
    // Every span from 3 s on, in steps of 100 ms, and each mover's part.
    const double allowed = c.kilobytes * 1024.0 * c.spanMs / 1000;
    for (uint32_t from = start + 3000; from + c.spanMs <= start + c.runMs; from += 100) {
      uint64_t bytes = 0;
      for (const Piece& piece : went)
        bytes += piece.at >= from && piece.at < from + c.spanMs ? piece.bytes : 0;
      ASSERT_LE(bytes, allowed * 1.05) << from - start;
      ASSERT_GE(bytes, allowed * 0.95) << from - start;
    }
    std::vector<double> each(c.movers);
    for (const Piece& piece : went) each[piece.mover] += piece.bytes;
    for (double moved : each)
      EXPECT_NEAR(moved * c.movers / (c.kilobytes * 1.024 * c.runMs), 1, 0.05);
  }
}

// At 1 KB/s each transfer gets a chunk within its 30 s turn while at most
// 7 run; an eighth waits until one ends. No limit holds nothing back.
TEST_F(SpeedLimitTest, PastWhatTheLimitCanShareTransfersWaitTheirTurn) {
  const std::unique_ptr<SpeedLimit> slow = Limit(1), none = Limit(0);
  EXPECT_EQ(slow->PieceBytes(), SpeedLimit::kMinPieceBytes);
  EXPECT_EQ(slow->MaxRunning(), 7u);
  std::vector<SpeedLimit::Share> shares;
  for (int i = 0; i < 8; ++i) shares.push_back(slow->Enter());
  EXPECT_TRUE(slow->Running(shares[6]));
  EXPECT_FALSE(slow->Running(shares[7]));
  shares.erase(shares.begin());
  EXPECT_TRUE(slow->Running(shares[6]));

  EXPECT_EQ(none->PieceBytes(), SIZE_MAX);
  EXPECT_EQ(none->MaxRunning(), SIZE_MAX);
  for (int i = 0; i < 100; ++i) {
    SpeedLimit::Share share = none->Enter();
    EXPECT_TRUE(none->Running(share));
    EXPECT_EQ(none->Reserve(share, size_t{1} << 30), 0u);
    EXPECT_TRUE(none->Take(share, size_t{1} << 30, nullptr));
  }
}

// What a piece did not move goes back to the limit: the pieces reserved
// after it keep their times, the next one comes sooner.
TEST_F(SpeedLimitTest, WhatAPieceDidNotMoveGoesBack) {
  const std::unique_ptr<SpeedLimit> limit = Limit(64);  // 6553 bytes: 100 ms
  SpeedLimit::Share a = limit->Enter(), b = limit->Enter();
  EXPECT_EQ(limit->Reserve(a, 6553), 0u);
  limit->Return(a, 6553);
  EXPECT_EQ(limit->Reserve(b, 6553), 0u);
  EXPECT_EQ(limit->Reserve(a, 6553), 100u);
  limit->Return(b, 3276);  // half of b's came
  EXPECT_EQ(limit->Reserve(b, 6553), 150u);
  limit->Return(a, 65530);  // never more than it took
  EXPECT_EQ(limit->Reserve(a, 6553), 150u);
}

// A wait for a piece a minute away, or for the turn, ends at once when the
// plug-in stops or its transfer is stopped (the waits look at Wake).
TEST_F(SpeedLimitTest, AStopEndsAWaitAtOnce) {
  for (const bool forTheTurn : {false, true}) {
    for (const bool unloading : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "turn " << forTheTurn << " unloading " << unloading);
      const std::unique_ptr<SpeedLimit> limit = Limit(1);
      std::vector<SpeedLimit::Share> ahead;
      for (size_t i = 0; i < (forTheTurn ? limit->MaxRunning() : 1); ++i)
        ahead.push_back(limit->Enter());
      limit->Reserve(ahead[0], 60 * 1024);
      SpeedLimit::Share share = limit->Enter();
      std::atomic<bool> stopped{false};
      std::promise<void> looked;
      std::future<bool> took = std::async(std::launch::async, [&] {
        return limit->Take(share, kChunk, [&, first = true]() mutable {
          if (std::exchange(first, false)) looked.set_value();
          return stopped.load();
        });
      });
      // It looks once before it waits, under the lock that Wake takes.
      ASSERT_EQ(looked.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready)
          << "the wait did not begin";
      if (unloading) {
        limit->Stop();
      } else {
        stopped = true;
        limit->Wake();
      }
      ASSERT_EQ(took.wait_for(std::chrono::seconds(10)), std::future_status::ready)
          << "the wait did not end";
      EXPECT_FALSE(took.get());
    }
  }
}

// Both ends of a stream under a limit keep to its pieces once the data
// flows (the sender in whole chunks), and a transfer past those that may
// run waits its turn, shown as waiting, until one of them ends.
TEST(PacedConnection, AStreamKeepsToItsPiecesAndWaitsItsTurn) {
  using Bytes = std::vector<uint8_t>;
  SpeedLimit limit(&platform::TickCount, kTurnMs, kChunk);
  limit.Configure(200);
  ASSERT_EQ(limit.PieceBytes(), 10240u);
  testing::ScratchDir scratch;
  const Bytes data = testing::PatternBytes(40000, 5);
  testing::FakeTransferSide side;
  side.openChoice = scratch.File("sent.bin");
  side.saveChoice = scratch.File("received.bin");
  testing::WriteFile(*side.openChoice, std::string(data.begin(), data.end()));

  testing::FakeConnection toPeer(testing::Words({wire::kReplyAccept, 0, 0}));
  testing::LoneTransfer send(1, Send);
  PacedConnection pacedSend(toPeer, &limit, send.handle);
  ASSERT_TRUE(SendStream(pacedSend, side, send.handle));
  ASSERT_GT(toPeer.Writes().size(), 3u);
  for (size_t i = 2; i < toPeer.Writes().size(); ++i)
    EXPECT_LE(toPeer.Writes()[i].size(), 2 * kChunk) << i;

  testing::FakeConnection fromPeer(testing::GoldenStream("sent.bin", data));
  testing::LoneTransfer receive(1, Receive);
  PacedConnection pacedReceive(fromPeer, &limit, receive.handle);
  ASSERT_TRUE(ReceiveStream(pacedReceive, side, receive.handle));
  for (int ask : fromPeer.ReadAsks()) EXPECT_LE(ask, 10240);

  // One transfer at a time: a second waits its turn until the first ends.
  SpeedLimit narrow(&platform::TickCount, 1, kChunk);
  narrow.Configure(1);
  std::optional<SpeedLimit::Share> first = narrow.Enter();
  testing::LoneTransfer waiting(2, Send);
  PacedConnection pacedWaiting(toPeer, &narrow, waiting.handle);
  std::future<void> turn = std::async(std::launch::async, [&] { pacedWaiting.AwaitTurn(); });
  EXPECT_TRUE(e2e::WaitUntil([&] { return waiting.Read().awaitsShare; }, 10000))
      << "never shown as waiting its turn";
  first.reset();
  ASSERT_EQ(turn.wait_for(std::chrono::seconds(10)), std::future_status::ready)
      << "the turn did not come";
  EXPECT_FALSE(waiting.Read().awaitsShare);
}

}  // namespace
}  // namespace kvel::transfers
