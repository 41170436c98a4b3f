// The sends' turns per contact, with starts the test plays: how many run at
// once, which starts when one ends, and what becomes of those that wait
// when they are stopped, find no place, or the plug-in is unloaded.
#include "p2p/reach/send_queue.h"

#include <gtest/gtest.h>

#include "support/loopback.h"
#include "support/loopback_pair.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kvel::p2p {
namespace {

using transfers::Awaits;
using transfers::TransferHandle;
using transfers::TransferId;
using transfers::TransferOutcome;

class SendQueueTest : public ::testing::Test {
 protected:
  // A queue whose starts are kept here, running, until the test ends them.
  std::unique_ptr<SendQueue> MakeQueue(size_t perContact) {
    return std::make_unique<SendQueue>(
        perContact,
        [this](uint32_t uin, TransferHandle& transfer) {
          if (!placeFree_) return false;
          started_.push_back(uin);
          running_[transfer.Id()] = std::move(transfer);
          return true;
        },
        [this](uint32_t uin, TransferHandle transfer) {
          dropped_.push_back(uin);
          transfer.End(TransferOutcome::Stopped);
        });
  }
  // The user chooses a file for `uin`: begun, listed as waiting its turn,
  // and started here when it has one, as the product starts it.
  TransferId Send(SendQueue& queue, uint32_t uin) {
    TransferHandle transfer = registry_.Begin(uin, transfers::Send);
    transfer.Await(transfers::Awaits::Turn, "kontakt");
    const TransferId id = transfer.Id();
    if (queue.Enter(uin, transfer)) {
      started_.push_back(uin);
      running_[id] = std::move(transfer);
    }
    return id;
  }
  void End(TransferId id, TransferOutcome outcome = TransferOutcome::Done) {
    TransferHandle transfer = std::move(running_.at(id));
    running_.erase(id);
    transfer.End(outcome);
  }
  Awaits AwaitsOf(TransferId id) {
    for (const transfers::Transfer& t : registry_.Snapshot())
      if (t.id == id) return t.awaits;
    return Awaits::Handshake;
  }

  transfers::TransferRegistry registry_{[] { return 0u; }};
  bool placeFree_ = true;
  std::vector<uint32_t> started_;  // contacts, in the order their sends started
  std::map<TransferId, TransferHandle> running_;
  std::vector<uint32_t> dropped_;
};

TEST_F(SendQueueTest, AtMostTheBoundRunPerContactAndTheRestWait) {
  const struct {
    const char* name;
    size_t perContact;
    std::vector<uint32_t> sends;  // the contact of each, in the order chosen
    std::map<uint32_t, size_t> running;
    std::map<uint32_t, size_t> waiting;
  } cases[] = {
      {"as many as the bound", 3, {7, 7, 7}, {{7, 3}}, {{7, 0}}},
      {"a hundred", 3, std::vector<uint32_t>(100, 7), {{7, 3}}, {{7, 97}}},
      {"one at a time", 1, {7, 7, 7}, {{7, 1}}, {{7, 2}}},
      {"each contact has turns of its own",
       2,
       {7, 8, 7, 7, 8, 9},
       {{7, 2}, {8, 2}, {9, 1}},
       {{7, 1}, {8, 0}, {9, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    started_.clear();
    std::unique_ptr<SendQueue> queue = MakeQueue(c.perContact);
    for (uint32_t uin : c.sends) Send(*queue, uin);
    size_t runningAll = 0;
    for (const auto& [uin, count] : c.running) {
      EXPECT_EQ(queue->Running(uin), count) << uin;
      runningAll += count;
    }
    for (const auto& [uin, count] : c.waiting) EXPECT_EQ(queue->Waiting(uin), count) << uin;
    EXPECT_EQ(started_.size(), runningAll);
    // The window says which wait for their turn, and all are listed.
    size_t turns = 0;
    for (const transfers::Transfer& t : registry_.Snapshot())
      turns += t.awaits == Awaits::Turn && running_.count(t.id) == 0 ? 1 : 0;
    EXPECT_EQ(turns, c.sends.size() - runningAll);
    EXPECT_EQ(registry_.Snapshot().size(), c.sends.size());
    queue->Stop();
    running_.clear();
    EXPECT_EQ(registry_.Count(), 0u);
  }
}

TEST_F(SendQueueTest, AnEndedSendLetsTheNextInOrderStartWhateverItsOutcome) {
  std::unique_ptr<SendQueue> queue = MakeQueue(2);
  std::vector<TransferId> ids;
  for (int i = 0; i < 6; ++i) ids.push_back(Send(*queue, 7));
  ASSERT_EQ(running_.size(), 2u);
  End(ids[1], TransferOutcome::Failed);
  EXPECT_EQ(running_.count(ids[2]), 1u);
  End(ids[0], TransferOutcome::Refused);
  EXPECT_EQ(running_.count(ids[3]), 1u);
  // The user's stop of a running send stops that one only.
  registry_.Stop(ids[2]);
  EXPECT_EQ(running_.size(), 2u);
  End(ids[2], TransferOutcome::Stopped);
  EXPECT_EQ(running_.count(ids[4]), 1u);
  EXPECT_EQ(queue->Waiting(7), 1u);
  EXPECT_TRUE(dropped_.empty());
  // A send chosen now queues behind the one that waits.
  const TransferId late = Send(*queue, 7);
  End(ids[3]);
  EXPECT_EQ(running_.count(ids[5]), 1u);
  EXPECT_EQ(running_.count(late), 0u);
  End(ids[4]);
  EXPECT_EQ(running_.count(late), 1u);
  EXPECT_EQ(queue->Waiting(7), 0u);
}

// A send that ends on its connection keeps its turn until the connection
// has closed and left its place: the contact never has more connections
// than turns.
TEST_F(SendQueueTest, ASendEndedOnItsConnectionFreesItsTurnAsTheConnectionLeaves) {
  testing::StartSockets();
  testing::LoopbackPair pair = testing::MakeLoopbackPair();
  ASSERT_NE(pair.a, platform::kInvalidSocket);
  std::unique_ptr<SendQueue> queue = MakeQueue(1);
  const TransferId first = Send(*queue, 7);
  const TransferId second = Send(*queue, 7);
  running_.at(first).AttachSocket(pair.a);
  End(first);
  EXPECT_EQ(running_.count(second), 0u);
  queue->ConnectionLeft(second);  // another's connection: no turn of this one
  EXPECT_EQ(running_.count(second), 0u);
  queue->ConnectionLeft(first);
  EXPECT_EQ(running_.count(second), 1u);
  testing::CloseLoopbackPair(pair);
}

TEST_F(SendQueueTest, AWaitingSendTheUserStopsLeavesTheLineAlone) {
  std::unique_ptr<SendQueue> queue = MakeQueue(1);
  const TransferId first = Send(*queue, 7);
  const TransferId second = Send(*queue, 7);
  const TransferId third = Send(*queue, 7);
  EXPECT_TRUE(registry_.Stop(second));
  EXPECT_EQ(dropped_, std::vector<uint32_t>{7});
  EXPECT_EQ(queue->Waiting(7), 1u);
  EXPECT_EQ(registry_.Count(), 2u);  // the first runs, the third waits
  EXPECT_EQ(running_.count(first), 1u);
  End(first);
  EXPECT_EQ(running_.count(third), 1u);
}

TEST_F(SendQueueTest, ASendWithNoPlaceWaitsFirstInLineForTheNextPump) {
  std::unique_ptr<SendQueue> queue = MakeQueue(1);
  const TransferId first = Send(*queue, 7);
  const TransferId second = Send(*queue, 7);
  Send(*queue, 7);
  placeFree_ = false;
  End(first);
  EXPECT_EQ(queue->Running(7), 0u);
  EXPECT_EQ(queue->Waiting(7), 2u);
  EXPECT_EQ(AwaitsOf(second), Awaits::Turn);
  placeFree_ = true;
  queue->ConnectionLeft(0);
  EXPECT_EQ(running_.count(second), 1u);
  EXPECT_EQ(queue->Waiting(7), 1u);

  // A send that had its turn at once and found no place gives it back.
  TransferHandle own = registry_.Begin(8, transfers::Send);
  own.Await(transfers::Awaits::Turn, "kontakt");
  const TransferId ownId = own.Id();
  ASSERT_TRUE(queue->Enter(8, own));
  queue->GiveBack(8, std::move(own));
  EXPECT_EQ(queue->Running(8), 0u);
  EXPECT_EQ(queue->Waiting(8), 1u);
  queue->ConnectionLeft(0);
  EXPECT_EQ(running_.count(ownId), 1u);
}

TEST_F(SendQueueTest, UnloadingEndsEveryWaitingSendAtOnceTellingNobody) {
  std::unique_ptr<SendQueue> queue = MakeQueue(1);
  const TransferId first = Send(*queue, 7);
  for (int i = 0; i < 4; ++i) Send(*queue, 7);
  registry_.StopAll();
  EXPECT_TRUE(dropped_.empty());  // the unloading's stop is not the user's
  queue->Stop();
  EXPECT_EQ(registry_.Count(), 1u);  // only the one that runs, ended by its thread
  EXPECT_TRUE(dropped_.empty());
  End(first, TransferOutcome::Stopped);
  EXPECT_EQ(started_.size(), 1u);
  // One chosen after the stop ends at once.
  TransferHandle late = registry_.Begin(7, transfers::Send);
  EXPECT_FALSE(queue->Enter(7, late));
  EXPECT_EQ(registry_.Count(), 0u);
}

}  // namespace
}  // namespace kvel::p2p
