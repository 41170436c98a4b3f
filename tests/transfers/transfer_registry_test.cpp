// The transfers registry: records from beginning to end, what is listed,
// what observers are told, stopping one or all (sockets shut down, never
// closed), and many connection threads at once while snapshots are taken.
#include "transfers/registry/transfer_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/threads/threads.h"
#include "support/bounded_wait.h"
#include "support/loopback_pair.h"
#include "wait_until.h"

namespace kvel::transfers {
namespace {

// A clock the test moves by hand.
struct ManualClock {
  std::shared_ptr<std::atomic<uint32_t>> now = std::make_shared<std::atomic<uint32_t>>(7000);
  platform::Clock Bind() const {
    return [now = now] { return now->load(); };
  }
  void Advance(uint32_t ms) { *now += ms; }
};

// Records what it is told, as "listed 3" or "ended 3 Stopped".
class Recorder final : public TransfersObserver {
 public:
  void TransferListed(const Transfer& t) override { Add("listed " + std::to_string(t.id)); }
  void TransferEnded(const Transfer& t) override {
    Add("ended " + std::to_string(t.id) + (t.outcome == TransferOutcome::Done ? " Done" : "") +
        (t.outcome == TransferOutcome::Stopped ? " Stopped" : "") +
        (t.outcome == TransferOutcome::Failed ? " Failed" : ""));
  }
  std::vector<std::string> Told() {
    std::lock_guard<std::mutex> lock(mutex_);
    return told_;
  }

 private:
  void Add(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    told_.push_back(std::move(line));
  }
  std::mutex mutex_;
  std::vector<std::string> told_;
};

std::vector<TransferId> Ids(const std::vector<Transfer>& transfers) {
  std::vector<TransferId> ids;
  for (const Transfer& t : transfers) ids.push_back(t.id);
  return ids;
}

TEST(TransferRegistry, ATransferIsListedFromItsAgreementToItsEnd) {
  ManualClock clock;
  TransferRegistry registry(clock.Bind());
  auto recorder = std::make_shared<Recorder>();
  registry.AddObserver(recorder);

  // An accepted connection: its contact and direction are not known yet.
  TransferHandle transfer = registry.Begin(0, Receive);
  const TransferId id = transfer.Id();
  EXPECT_NE(id, 0u);
  Transfer facts = transfer.Read();
  EXPECT_EQ(facts.state, TransferState::Waiting);
  EXPECT_EQ(facts.startedAt, 7000u);
  EXPECT_FALSE(facts.Listed());
  EXPECT_TRUE(registry.Snapshot().empty());
  EXPECT_EQ(registry.Count(), 1u);

  // The handshake settles both: the caller pulls, so this side sends.
  transfer.Agree(1001, "Ala", Send);
  std::vector<Transfer> listed = registry.Snapshot();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].id, id);
  EXPECT_EQ(listed[0].uin, 1001u);
  EXPECT_EQ(listed[0].contact, "Ala");
  EXPECT_EQ(listed[0].direction, Send);
  EXPECT_EQ(listed[0].state, TransferState::Asking);
  EXPECT_EQ(listed[0].path, "");

  transfer.NameFile("C:\\a.zip");
  transfer.StartMoving(12'000, 0);
  transfer.Moved(4096);
  transfer.Moved(4096);
  transfer.Moved(-1);  // a failed write moves nothing
  listed = registry.Snapshot();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].state, TransferState::Moving);
  EXPECT_EQ(listed[0].path, "C:\\a.zip");
  EXPECT_EQ(listed[0].size, 12'000);
  EXPECT_EQ(listed[0].moved, 8192);
  EXPECT_EQ(listed[0].Done(), 8192);

  transfer.End(TransferOutcome::Done);
  EXPECT_TRUE(registry.Snapshot().empty());
  EXPECT_EQ(registry.Count(), 0u);
  // The thread still reads how its transfer ended.
  facts = transfer.Read();
  EXPECT_EQ(facts.state, TransferState::Ended);
  EXPECT_EQ(facts.outcome, TransferOutcome::Done);
  EXPECT_EQ(facts.moved, 8192);
  EXPECT_EQ(recorder->Told(), (std::vector<std::string>{"listed " + std::to_string(id),
                                                        "ended " + std::to_string(id) + " Done"}));
}

// A file received whole, taken without the question or asked, stays in the
// snapshots for a few seconds, in the order of its id, but is no longer
// running; a file sent does not; at most kMaxReceivedRows of them, the
// oldest going first.
TEST(TransferRegistry, FilesReceivedStayListedAFewSecondsOnceWhole) {
  ManualClock clock;
  TransferRegistry registry(clock.Bind());
  auto taken = [&registry](uint32_t uin, TransferDirection direction = Receive) {
    TransferHandle transfer = registry.Begin(uin, direction);
    transfer.Agree(uin, "Ala", direction);
    if (uin == 1) transfer.TakeWithoutAsking();
    return transfer;
  };
  TransferHandle first = taken(1);
  TransferHandle running = registry.Begin(2, Receive);
  running.Agree(2, "Bolek", Receive);
  TransferHandle second = taken(3);
  taken(4, Send).End(TransferOutcome::Done);
  first.End(TransferOutcome::Done);
  clock.Advance(1000);
  second.End(TransferOutcome::Done);
  EXPECT_EQ(registry.Count(), 1u);
  std::vector<Transfer> listed = registry.Snapshot();
  EXPECT_EQ(Ids(listed), (std::vector<TransferId>{first.Id(), running.Id(), second.Id()}));
  EXPECT_EQ(listed[0].state, TransferState::Ended);
  EXPECT_EQ(listed[0].outcome, TransferOutcome::Done);
  EXPECT_TRUE(listed[0].takenWithoutAsking);
  EXPECT_EQ(listed[0].speed, 0.0f);
  // Stopping one that is over does nothing; each goes in its own time.
  EXPECT_FALSE(registry.Stop(first.Id()));
  clock.Advance(kReceivedRowMs - 1000);
  EXPECT_EQ(Ids(registry.Snapshot()), (std::vector<TransferId>{running.Id(), second.Id()}));

  std::vector<TransferId> ended;
  for (size_t i = 0; i < kMaxReceivedRows + 3; ++i) {
    TransferHandle transfer = taken(100 + static_cast<uint32_t>(i));
    ended.push_back(transfer.Id());
    transfer.End(TransferOutcome::Done);
  }
  listed = registry.Snapshot();
  EXPECT_EQ(listed.size(), kMaxReceivedRows + 1);
  EXPECT_EQ(listed.back().id, ended.back());
  EXPECT_EQ(listed[1].id, ended[3]);
}

// A send that waits for a connection is listed from its click, with no
// socket; the connection that comes carries it on in the same listing.
TEST(TransferRegistry, AWaitingSendIsListedOnceFromItsClickToItsEnd) {
  ManualClock clock;
  TransferRegistry registry(clock.Bind());
  auto recorder = std::make_shared<Recorder>();
  registry.AddObserver(recorder);
  TransferHandle incoming = registry.Begin(0, Receive);  // an accepted connection: not listed
  TransferHandle send = registry.Begin(7, Send);
  const TransferId id = send.Id();
  send.Await(Awaits::Turn, "Bolek");  // among the contact's sends: listed from here
  EXPECT_EQ(registry.Snapshot()[0].awaits, Awaits::Turn);
  send.Await(Awaits::Connection, "Bolek");
  send.Await(Awaits::Connection, "Bolek");  // said twice, listed once
  std::vector<Transfer> listed = registry.Snapshot();
  ASSERT_EQ(Ids(listed), std::vector<TransferId>{id});
  EXPECT_EQ(listed[0].state, TransferState::Waiting);
  EXPECT_EQ(listed[0].awaits, Awaits::Connection);
  EXPECT_EQ(listed[0].contact, "Bolek");
  EXPECT_EQ(listed[0].socket, platform::kInvalidSocket);
  send.Agree(7, "Bolek", Send);
  EXPECT_EQ(registry.Snapshot()[0].state, TransferState::Asking);
  send.Await(Awaits::Connection, "Bolek");  // too late: it waits no longer
  EXPECT_EQ(registry.Snapshot()[0].state, TransferState::Asking);
  send.End(TransferOutcome::Done);
  EXPECT_EQ(recorder->Told(), (std::vector<std::string>{"listed " + std::to_string(id),
                                                        "ended " + std::to_string(id) + " Done"}));
}

// What holds a transfer without running it learns of the user's stop and
// of the end, once each, and of no other transfer's.
TEST(TransferRegistry, AWatchIsToldOfTheUsersStopAndOfTheEnd) {
  struct Watch : TransfersObserver, TransferWatch {
    void TransferListed(const Transfer&) override {}
    void TransferEnded(const Transfer&) override {}
    void Stopped(const Transfer& t) override { told.push_back("stopped " + std::to_string(t.id)); }
    void Ended(const Transfer& t) override {
      told.push_back("ended " + std::to_string(t.id) +
                     (t.outcome == TransferOutcome::Stopped ? " stopped" : " other"));
    }
    std::vector<std::string> told;
  };
  ManualClock clock;
  TransferRegistry registry(clock.Bind());
  auto watch = std::make_shared<Watch>();
  TransferHandle watched = registry.Begin(7, Send);
  TransferHandle other = registry.Begin(7, Send);
  const std::string id = std::to_string(watched.Id());
  watched.SetWatch(watch);
  EXPECT_TRUE(registry.Stop(other.Id()));
  EXPECT_TRUE(watch->told.empty());
  EXPECT_TRUE(registry.Stop(watched.Id()));
  EXPECT_EQ(watch->told, std::vector<std::string>{"stopped " + id});
  registry.StopAll();  // the unloading's: the holders end theirs themselves
  EXPECT_EQ(watch->told.size(), 1u);
  watched.End(TransferOutcome::Stopped);
  watched.End(TransferOutcome::Failed);  // ended already: nobody is told
  EXPECT_EQ(watch->told, (std::vector<std::string>{"stopped " + id, "ended " + id + " stopped"}));
  EXPECT_FALSE(registry.Stop(watched.Id()));
  EXPECT_EQ(watch->told.size(), 2u);
}

TEST(TransferRegistry, StepsOutOfOrderChangeNothing) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;
    TransferState state;
    int64_t size;
    std::vector<std::string> told;  // of "listed", "ended"
  };
  const Case cases[] = {
      {"moving before the agreement", {"move"}, TransferState::Waiting, 0, {}},
      {"a second agreement", {"agree", "agree"}, TransferState::Asking, 0, {"listed"}},
      {"moving twice keeps the first size",
       {"agree", "move", "move2"},
       TransferState::Moving,
       100,
       {"listed"}},
      {"never listed: its end is told to nobody", {"end"}, TransferState::Ended, 0, {}},
      {"ended twice", {"agree", "end", "end"}, TransferState::Ended, 0, {"listed", "ended"}},
      {"agreed after its end", {"end", "agree"}, TransferState::Ended, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TransferRegistry registry([] { return 0u; });
    auto recorder = std::make_shared<Recorder>();
    registry.AddObserver(recorder);
    TransferHandle transfer = registry.Begin(5, Receive);
    for (const std::string& step : c.steps) {
      if (step == "agree") transfer.Agree(5, "5", Receive);
      if (step == "move") transfer.StartMoving(100, 0);
      if (step == "move2") transfer.StartMoving(200, 0);
      if (step == "end") transfer.End(TransferOutcome::Done);
    }
    const Transfer facts = transfer.Read();
    EXPECT_EQ(facts.state, c.state);
    EXPECT_EQ(facts.size, c.size);
    EXPECT_EQ(registry.Count(), c.state == TransferState::Ended ? 0u : 1u);
    std::vector<std::string> told;
    for (const std::string& line : recorder->Told()) told.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(told, c.told);
  }
}

TEST(TransferRegistry, ADroppedHandleEndsItsTransferAsFailed) {
  TransferRegistry registry([] { return 0u; });
  auto recorder = std::make_shared<Recorder>();
  registry.AddObserver(recorder);
  TransferId id = 0;
  {
    TransferHandle transfer = registry.Begin(1, Send);
    id = transfer.Id();
    transfer.Agree(1, "1", Send);
    TransferHandle moved = std::move(transfer);  // moving it over ends nothing
    EXPECT_EQ(registry.Count(), 1u);
    EXPECT_FALSE(transfer);
  }
  EXPECT_EQ(registry.Count(), 0u);
  EXPECT_EQ(recorder->Told().back(), "ended " + std::to_string(id) + " Failed");
}

TEST(TransferRegistry, IdsAreNewForEveryTransferAndListedInTheOrderBegun) {
  TransferRegistry registry([] { return 0u; });
  std::vector<TransferHandle> running;
  for (uint32_t uin = 1; uin <= 5; ++uin) running.push_back(registry.Begin(uin, Receive));
  // Agreed out of order, listed in the order begun; the unagreed one not.
  for (size_t i : {4u, 0u, 2u, 1u}) running[i].Agree(static_cast<uint32_t>(i + 1), "x", Receive);
  const std::vector<TransferId> listed = Ids(registry.Snapshot());
  EXPECT_EQ(listed, (std::vector<TransferId>{running[0].Id(), running[1].Id(), running[2].Id(),
                                             running[4].Id()}));
  running[1].End(TransferOutcome::Done);
  TransferHandle later = registry.Begin(9, Send);
  for (const TransferHandle& other : running) EXPECT_NE(later.Id(), other.Id());
}

// The stop button shuts a transfer's socket down without closing it: a read
// blocked on it returns, the peer sees the end, and the connection thread
// still owns the handle.
TEST(TransferRegistry, StopShutsTheSocketDownAndLeavesTheCloseToItsThread) {
  testing::LoopbackPair pair = testing::MakeLoopbackPair();
  ASSERT_NE(pair.a, platform::kInvalidSocket);
  TransferRegistry registry([] { return 0u; });
  TransferHandle transfer = registry.Begin(1, Receive);
  transfer.AttachSocket(pair.a);
  transfer.Agree(1, "1", Receive);
  std::atomic<int> result{1};
  std::atomic<bool> reading{false};
  testing::BoundedThread reader("the blocked read", [&] {
    uint8_t byte;
    reading = true;
    result = platform::ReceiveSome(pair.a, &byte, 1);
  });
  ASSERT_TRUE(e2e::WaitUntil([&] { return reading.load(); }, 10000));
  EXPECT_TRUE(registry.Stop(transfer.Id()));
  reader.Join();
  EXPECT_LE(result, 0);
  EXPECT_NE(platform::LocalPort(pair.a), 0);  // still open
  uint8_t byte;
  EXPECT_EQ(platform::ReceiveSome(pair.b, &byte, 1), 0);  // the peer sees the end
  EXPECT_TRUE(transfer.Read().stopped);
  transfer.DetachSocket();
  transfer.End(TransferOutcome::Stopped);
  EXPECT_FALSE(registry.Stop(transfer.Id()));  // ended: nothing to stop
  EXPECT_FALSE(registry.Stop(0));
  testing::CloseLoopbackPair(pair);
}

// The unloading's StopAll reaches every transfer, running or still calling,
// and every later one (a connection made after it is shut down as it is
// attached); it stops them apart from the user's own stop, for what becomes
// of a received part.
TEST(TransferRegistry, StopAllReachesEveryTransferAndEveryLaterOneApartFromTheUsersStop) {
  testing::LoopbackPair first = testing::MakeLoopbackPair();
  testing::LoopbackPair late = testing::MakeLoopbackPair();
  TransferRegistry registry([] { return 0u; });
  TransferHandle byUser = registry.Begin(1, Receive);
  TransferHandle running = registry.Begin(2, Send);
  running.AttachSocket(first.a);
  TransferHandle unconnected = registry.Begin(3, Send);  // still calling
  EXPECT_FALSE(running.Read().StoppedByUser());
  registry.Stop(byUser.Id());
  EXPECT_TRUE(byUser.Read().StoppedByUser());
  registry.StopAll();
  uint8_t byte;
  EXPECT_LE(platform::ReceiveSome(first.a, &byte, 1), 0);
  unconnected.AttachSocket(late.a);
  EXPECT_LE(platform::ReceiveSome(late.a, &byte, 1), 0);
  TransferHandle begun = registry.Begin(4, Receive);
  EXPECT_TRUE(byUser.Read().StoppedByUser());
  for (TransferHandle* handle : {&running, &unconnected, &begun}) {
    EXPECT_TRUE(handle->Read().stopped);
    EXPECT_TRUE(handle->Read().unloading);
    EXPECT_FALSE(handle->Read().StoppedByUser());
  }
  running.Note(EndNote::PartKept);
  EXPECT_EQ(running.Read().note, EndNote::PartKept);
  for (TransferHandle* handle : {&running, &unconnected}) handle->DetachSocket();
  testing::CloseLoopbackPair(first);
  testing::CloseLoopbackPair(late);
}

// Once RemoveObserver returns the observer is never called again; a call
// under way is waited for.
TEST(TransferRegistry, RemovingAnObserverWaitsForItsCallUnderWay) {
  TransferRegistry registry([] { return 0u; });
  struct Slow final : TransfersObserver {
    std::atomic<bool> inside{false}, release{false};
    std::atomic<int> calls{0};
    void TransferListed(const Transfer&) override {
      ++calls;
      inside = true;
      e2e::WaitUntil([&] { return release.load(); }, 10000, 1);
      inside = false;
    }
    void TransferEnded(const Transfer&) override { ++calls; }
  };
  auto slow = std::make_shared<Slow>();
  registry.AddObserver(slow);
  TransferHandle transfer = registry.Begin(1, Send);
  testing::BoundedThread agreeing("the agreeing", [&] { transfer.Agree(1, "1", Send); });
  ASSERT_TRUE(e2e::WaitUntil([&] { return slow->inside.load(); }, 10000, 1));
  std::atomic<bool> removing{false}, insideAtReturn{true};
  testing::BoundedThread remover("the removing of the observer", [&] {
    removing = true;
    registry.RemoveObserver(slow.get());
    insideAtReturn = slow->inside.load();
  });
  // The call ends only once the removal has begun.
  ASSERT_TRUE(e2e::WaitUntil([&] { return removing.load(); }, 10000, 1));
  slow->release = true;
  remover.Join();
  agreeing.Join();
  EXPECT_FALSE(insideAtReturn) << "removed while the call was still under way";
  EXPECT_FALSE(slow->inside);
  transfer.End(TransferOutcome::Done);
  EXPECT_EQ(slow->calls, 1);
}

// Connection threads begin, agree, count and end transfers while the
// window's thread takes snapshots and observers come and go; run under
// ThreadSanitizer natively.
TEST(TransferRegistry, ManyThreadsAtOnce) {
  std::atomic<uint32_t> tick{0};
  TransferRegistry registry([&] { return tick += 7; });
  constexpr int kThreads = 8;
  constexpr int kRounds = 200;
  static constexpr int64_t kSize = 4096 * 10;
  std::atomic<bool> done{false};
  testing::BoundedThread window("the window's snapshots", [&] {
    while (!done) {
      for (const Transfer& t : registry.Snapshot()) {
        // A file received whole stays listed a while, ended.
        EXPECT_TRUE(t.Listed() || t.state == TransferState::Ended);
        EXPECT_GE(t.moved, 0);
        EXPECT_LE(t.moved, kSize);
        EXPECT_GE(t.speed, 0.0f);
      }
      auto recorder = std::make_shared<Recorder>();
      registry.AddObserver(recorder);
      registry.RemoveObserver(recorder.get());
    }
  });
  std::vector<testing::BoundedThread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back("a connection thread", [&registry, t] {
      for (int round = 0; round < kRounds; ++round) {
        TransferHandle transfer = registry.Begin(static_cast<uint32_t>(t), Receive);
        transfer.Agree(static_cast<uint32_t>(t), "x", t % 2 ? Send : Receive);
        transfer.NameFile("c:\\file");
        transfer.StartMoving(kSize, 0);
        for (int block = 0; block < 10; ++block) transfer.Moved(4096);
        EXPECT_EQ(transfer.Read().moved, kSize);
        registry.Stop(transfer.Id() + 1);  // perhaps another thread's
        transfer.End(TransferOutcome::Done);
      }
    });
  }
  for (testing::BoundedThread& thread : threads) thread.Join();
  done = true;
  window.Join();
  EXPECT_EQ(registry.Count(), 0u);
  for (const Transfer& t : registry.Snapshot()) EXPECT_EQ(t.state, TransferState::Ended);
}

}  // namespace
}  // namespace kvel::transfers
