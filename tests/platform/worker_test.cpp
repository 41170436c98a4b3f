// The worker: a stop wakes a waiting body at once, a deadline or a wake
// ends its wait, a body that outlives the stop's bound keeps its state and
// is waited for again, and the destructor stops.
#include "platform/threads/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "support/bounded_wait.h"

namespace kvel::platform {
namespace {

constexpr uint32_t kNever = 60 * 1000;  // a deadline the test must never wait out

// What a body tells the test: how its waits ended, and when it is past
// them. The body holds its own share, as a product body holds its state.
struct Seen {
  std::mutex mutex;
  std::condition_variable changed;
  std::string ends;  // 's' a stop, 'w' a deadline or a wake, per wait
  bool release = false;

  bool Note(bool stopped) {
    std::lock_guard<std::mutex> lock(mutex);
    ends += stopped ? 's' : 'w';
    changed.notify_all();
    return stopped;
  }
  bool WaitEnds(size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return ends.size() >= count; });
  }
};

TEST(Worker, WakesItsBodyAtAStopADeadlineOrAWake) {
  enum class Then { Stop, Wake, Destroy };
  const struct Case {
    const char* name;
    uint32_t waitMs;  // the body's first wait
    Then then;
    std::string ends;
  } cases[] = {
      {"a stop ends a wait without a deadline", kNoDeadline, Then::Stop, "s"},
      {"a stop ends a long wait at once", kNever, Then::Stop, "s"},
      {"a deadline ends the wait, a stop the next", 1, Then::Stop, "ws"},
      {"a wake ends the wait, a stop the next", kNever, Then::Wake, "ws"},
      {"the destructor stops", kNever, Then::Destroy, "s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto seen = std::make_shared<Seen>();
    {
      Worker worker;
      const uint32_t waitMs = c.waitMs;
      ASSERT_TRUE(worker.Start([seen, waitMs](WorkerStop& stop) {
        if (seen->Note(stop.WaitFor(waitMs))) return;
        seen->Note(stop.WaitFor(kNoDeadline));
      }));
      EXPECT_TRUE(worker.Running());
      EXPECT_FALSE(worker.Start([](WorkerStop&) {}));  // one body at a time
      if (c.then == Then::Wake) worker.Wake();
      if (c.ends.size() > 1) {
        ASSERT_TRUE(seen->WaitEnds(1));
      }
      if (c.then != Then::Destroy) {
        EXPECT_TRUE(worker.Stop(10000));
        EXPECT_FALSE(worker.Running());
      }
    }
    std::lock_guard<std::mutex> lock(seen->mutex);
    EXPECT_EQ(seen->ends, c.ends);
  }
}

TEST(Worker, ABodyPastTheBoundKeepsItsStateAndIsWaitedForAgain) {
  auto seen = std::make_shared<Seen>();
  std::weak_ptr<Seen> held = seen;
  Worker worker;
  ASSERT_TRUE(worker.Start([seen](WorkerStop&) {
    // A box or a slow router: no stop wakes it.
    std::unique_lock<std::mutex> lock(seen->mutex);
    seen->ends += 'b';
    seen->changed.notify_all();
    seen->changed.wait_for(lock, std::chrono::seconds(10), [&] { return seen->release; });
  }));
  ASSERT_TRUE(seen->WaitEnds(1));
  seen.reset();
  EXPECT_FALSE(worker.Stop(20));
  EXPECT_TRUE(worker.Running());
  // The body still holds its state: never freed under it.
  std::shared_ptr<Seen> still = held.lock();
  ASSERT_NE(still, nullptr);
  {
    std::lock_guard<std::mutex> lock(still->mutex);
    still->release = true;
    still->changed.notify_all();
  }
  still.reset();
  EXPECT_TRUE(worker.Stop(10000));
  EXPECT_TRUE(held.expired());  // its captures went with the body
  // Stopped, it starts anew.
  std::atomic<bool> ran{false};
  ASSERT_TRUE(worker.Start([&ran](WorkerStop&) { ran = true; }));
  EXPECT_TRUE(worker.Stop(10000));
  EXPECT_TRUE(ran);
}

TEST(Worker, ASocketWaitEndsAtTheStop) {
  std::string description;
  ASSERT_TRUE(StartSocketLibrary(&description));
  const Socket socket = CreateTcpSocket();
  ASSERT_NE(socket, kInvalidSocket);
  ASSERT_TRUE(BindSocket(socket, InetAddr("127.0.0.1"), 0));
  ASSERT_TRUE(ListenSocket(socket, 1));
  auto seen = std::make_shared<Seen>();
  Worker worker;
  ASSERT_TRUE(worker.Start([seen, socket](WorkerStop& stop) {
    seen->Note(stop.WaitReadable(socket) == WorkerStop::SocketWait::Stopped);
  }));
  EXPECT_TRUE(worker.Stop(10000));
  EXPECT_EQ(seen->ends, "s");
  CloseSocket(socket);
}

TEST(Worker, ADetachedBodyRunsToItsEnd) {
  testing::Rendezvous done(2, "the detached body");
  ASSERT_TRUE(Worker::StartDetached([&done] { done.ArriveAndWait(); }));
  EXPECT_TRUE(done.ArriveAndWait());
}

}  // namespace
}  // namespace kvel::platform
