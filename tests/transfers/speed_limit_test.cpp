// The speed limit on a scripted clock: transfers that keep asking for
// pieces move, over any 3 s, what the limit allows, shared evenly; a limit
// below a chunk a tick still moves whole chunks at its pace; no limit holds
// nothing back; and a stop ends a wait at once.
#include "transfers/speed_limit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <utility>
#include <optional>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/golden_stream.h"
#include "support/lone_transfer.h"
#include "support/test_paths.h"
#include "transfers/paced_connection.h"
#include "transfers/transfer_stream.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kTurnMs = 30000;
constexpr size_t kChunk = 4108;  // 4096 bytes of data and their header

class SpeedLimitTest : public ::testing::Test {
 protected:
  struct Piece {
    uint32_t at;  // when it went
    size_t bytes;
    size_t mover;
  };
  // `movers` transfers that each ask for `piece` bytes (the limit's own
  // piece when 0) again as soon as the last has moved, for `ms` of the clock.
  std::vector<Piece> Move(SpeedLimit& limit, size_t movers, size_t piece, uint32_t ms) {
    std::vector<SpeedLimit::Share> shares;
    std::vector<uint32_t> ready(movers, now_);
    for (size_t i = 0; i < movers; ++i) shares.push_back(limit.Enter());
    std::vector<Piece> went;
    const uint32_t end = now_ + ms;
    for (;;) {
      const size_t next = std::min_element(ready.begin(), ready.end()) - ready.begin();
      if (ready[next] >= end) break;
      now_ = ready[next];
      const size_t bytes = piece != 0 ? piece : limit.PieceBytes();
      const uint32_t at = now_ + limit.Reserve(shares[next], bytes);
      went.push_back({at, bytes, next});
      ready[next] = at + 1;  // the piece takes a moment to move
    }
    return went;
  }
  // The bytes that went within [from, from + 3 s) in each 100 ms step from
  // `first` to the end of `went` less 3 s: the least and the most.
  static std::pair<uint64_t, uint64_t> ThreeSecondSpans(const std::vector<Piece>& went,
                                                        uint32_t first, uint32_t last) {
    uint64_t least = UINT64_MAX, most = 0;
    for (uint32_t from = first; from + 3000 <= last; from += 100) {
      uint64_t bytes = 0;
      for (const Piece& piece : went)
        if (piece.at >= from && piece.at < from + 3000) bytes += piece.bytes;
      least = std::min(least, bytes);
      most = std::max(most, bytes);
    }
    return {least, most};
  }

  std::unique_ptr<SpeedLimit> Limit(uint32_t kilobytes) {
    auto limit = std::make_unique<SpeedLimit>([this] { return now_.load(); }, kTurnMs, kChunk);
    limit->Configure(kilobytes);
    return limit;
  }

  std::atomic<uint32_t> now_{5000};
};

TEST_F(SpeedLimitTest, AnyThreeSecondsHoldTheLimitSharedEvenly) {
  const struct Case {
    const char* name;
    uint32_t kilobytes;
    size_t movers;
    size_t piece;  // 0: the limit's own
  } cases[] = {
      {"one transfer", 20000, 1, 0},
      {"four transfers", 20000, 4, 0},
      {"three slow ones", 100, 3, 0},
      {"a sender's whole chunks", 100, 2, kChunk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<SpeedLimit> limit = Limit(c.kilobytes);
    const uint32_t start = now_;
    const std::vector<Piece> went = Move(*limit, c.movers, c.piece, 30000);
    const double allowed = c.kilobytes * 1024.0 * 3;
    const auto [least, most] = ThreeSecondSpans(went, start + 3000, start + 30000);
    EXPECT_LE(most, allowed * 1.05);
    EXPECT_GE(least, allowed * 0.95);
    std::vector<uint64_t> each(c.movers);
    for (const Piece& piece : went) each[piece.mover] += piece.bytes;
    for (uint64_t moved : each) {
      EXPECT_LE(moved, c.kilobytes * 1024.0 * 30 / c.movers * 1.05);
      EXPECT_GE(moved, c.kilobytes * 1024.0 * 30 / c.movers * 0.95);
    }
  }
}

// At 1 KB/s a chunk takes four seconds: whole chunks go, one each four
// seconds among all transfers, so no more than 7 transfers run at once
// (each then gets a chunk within its 30 s turn); an eighth waits.
TEST_F(SpeedLimitTest, ALimitBelowAChunkATickMovesWholeChunksAtItsPace) {
  const std::unique_ptr<SpeedLimit> owned = Limit(1);
  SpeedLimit& limit = *owned;
  EXPECT_EQ(limit.PieceBytes(), SpeedLimit::kMinPieceBytes);
  const std::vector<Piece> went = Move(limit, 2, kChunk, 60000);
  ASSERT_GE(went.size(), 14u);
  for (size_t i = 1; i < went.size(); ++i) {
    EXPECT_GE(went[i].at - went[i - 1].at, kChunk * 1000 / 1024) << i;
    EXPECT_LE(went[i].at - went[i - 1].at, kChunk * 1000 / 1024 + 1) << i;
    EXPECT_NE(went[i].mover, went[i - 1].mover) << i;
  }
  EXPECT_EQ(limit.MaxRunning(), 7u);
  std::vector<SpeedLimit::Share> shares;
  for (int i = 0; i < 8; ++i) shares.push_back(limit.Enter());
  EXPECT_TRUE(limit.Running(shares[6]));
  EXPECT_FALSE(limit.Running(shares[7]));
  shares.erase(shares.begin());  // one ends: the next in line runs
  EXPECT_TRUE(limit.Running(shares[6]));
}

TEST_F(SpeedLimitTest, WithoutALimitNothingWaitsAndEveryoneRuns) {
  const std::unique_ptr<SpeedLimit> owned = Limit(0);
  SpeedLimit& limit = *owned;
  EXPECT_FALSE(limit.On());
  EXPECT_EQ(limit.PieceBytes(), SIZE_MAX);
  EXPECT_EQ(limit.MaxRunning(), SIZE_MAX);
  std::vector<SpeedLimit::Share> shares;
  for (int i = 0; i < 100; ++i) shares.push_back(limit.Enter());
  for (SpeedLimit::Share& share : shares) {
    EXPECT_TRUE(limit.Running(share));
    EXPECT_EQ(limit.Reserve(share, size_t{1} << 30), 0u);
    EXPECT_TRUE(limit.Take(share, size_t{1} << 30, nullptr));
  }
}

// What a piece did not move goes back to the limit: the pieces reserved
// after it keep their times, the next one comes sooner.
TEST_F(SpeedLimitTest, WhatAPieceDidNotMoveGoesBack) {
  const std::unique_ptr<SpeedLimit> owned = Limit(64);  // 65536 bytes a second
  SpeedLimit& limit = *owned;
  SpeedLimit::Share a = limit.Enter(), b = limit.Enter();
  EXPECT_EQ(limit.Reserve(a, 6553), 0u);  // 100 ms of the limit
  limit.Return(a, 6553);
  EXPECT_EQ(limit.Reserve(b, 6553), 0u);  // a's piece went back
  EXPECT_EQ(limit.Reserve(a, 6553), 100u);
  limit.Return(b, 3276);  // half of b's came
  EXPECT_EQ(limit.Reserve(b, 6553), 150u);
  limit.Return(a, 65530);  // never more than it took: its 100 ms
  EXPECT_EQ(limit.Reserve(a, 6553), 150u);
}

// A wait for a piece, or for the turn, ends at once when the plug-in stops,
// or when its transfer is stopped (the waits look at Wake), never by time.
TEST_F(SpeedLimitTest, AStopEndsAWaitAtOnce) {
  const struct Case {
    const char* name;
    bool forTheTurn;  // else for a piece a minute away
    bool unloading;   // else the transfer's own stop
  } cases[] = {
      {"a piece, unloading", false, true},
      {"a piece, its stop", false, false},
      {"the turn, unloading", true, true},
      {"the turn, its stop", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::unique_ptr<SpeedLimit> owned = Limit(1);
    SpeedLimit& limit = *owned;
    std::vector<SpeedLimit::Share> ahead;
    for (size_t i = 0; i < (c.forTheTurn ? limit.MaxRunning() : 1); ++i)
      ahead.push_back(limit.Enter());
    limit.Reserve(ahead[0], 60 * 1024);
    SpeedLimit::Share share = limit.Enter();
    std::atomic<bool> stopped{false};
    std::promise<void> looked;
    std::future<void> waiting = looked.get_future();
    std::future<bool> took = std::async(std::launch::async, [&] {
      return limit.Take(share, kChunk, [&, first = true]() mutable {
        if (std::exchange(first, false)) looked.set_value();
        return stopped.load();
      });
    });
    // It looks once before it waits, under the lock that Wake takes.
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "the wait did not begin";
    if (c.unloading) {
      limit.Stop();
    } else {
      stopped = true;
      limit.Wake();
    }
    ASSERT_EQ(took.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "the wait did not end";
    EXPECT_FALSE(took.get());
  }
}

// Both ends of a stream under a limit keep to its pieces once the data
// flows (the sender in whole chunks), and a transfer past those that may
// run waits its turn, shown as waiting, until one of them ends.
TEST(PacedConnection, AStreamKeepsToItsPiecesAndWaitsItsTurn) {
  SpeedLimit limit(&platform::TickCount, kTurnMs, kChunk);
  limit.Configure(200);
  const size_t piece = limit.PieceBytes();
  ASSERT_EQ(piece, 10240u);
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
  const std::vector<Bytes>& writes = toPeer.Writes();
  ASSERT_GT(writes.size(), 3u);
  for (size_t i = 2; i < writes.size(); ++i) EXPECT_LE(writes[i].size(), 2 * kChunk) << i;

  Bytes stream = testing::GoldenOffer("sent.bin", data.size());
  const Bytes chunks = testing::GoldenChunks(data);
  stream.insert(stream.end(), chunks.begin(), chunks.end());
  testing::FakeConnection fromPeer(stream);
  testing::LoneTransfer receive(1, Receive);
  PacedConnection pacedReceive(fromPeer, &limit, receive.handle);
  ASSERT_TRUE(ReceiveStream(pacedReceive, side, receive.handle));
  const std::vector<int>& asks = fromPeer.ReadAsks();
  EXPECT_EQ(std::count_if(asks.begin(), asks.end(), [&](int ask) { return ask > 10240; }), 0);

  // One transfer at a time: a second waits its turn until the first ends.
  SpeedLimit narrow(&platform::TickCount, 1, kChunk);
  narrow.Configure(1);
  ASSERT_EQ(narrow.MaxRunning(), 1u);
  std::optional<SpeedLimit::Share> first = narrow.Enter();
  testing::LoneTransfer waiting(2, Send);
  PacedConnection pacedWaiting(toPeer, &narrow, waiting.handle);
  std::future<void> turn = std::async(std::launch::async, [&] { pacedWaiting.AwaitTurn(); });
  for (int look = 0; look < 1000 && !waiting.Read().awaitsShare; ++look)
    turn.wait_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(waiting.Read().awaitsShare) << "never shown as waiting its turn";
  first.reset();
  ASSERT_EQ(turn.wait_for(std::chrono::seconds(10)), std::future_status::ready)
      << "the turn did not come";
  EXPECT_FALSE(waiting.Read().awaitsShare);
}

}  // namespace
}  // namespace kvel::transfers
