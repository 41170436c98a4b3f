// Waits of a test that give up, on a mutex and a condition variable only:
// a meeting fails the test after a few seconds, saying what it waited for;
// a thread that cannot be joined ends the program, saying what it was doing
// (never detached: a hung one would hang the program).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace kvel::testing {

// `count` threads meet once: each arrives and waits for the others.
class Rendezvous {
 public:
  Rendezvous(int count, std::string what) : count_(count), what_(std::move(what)) {}
  // False, failing the test, when `limitMs` pass before all have arrived.
  bool ArriveAndWait(int limitMs = 10000) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++arrived_;
    all_.notify_all();
    if (all_.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return arrived_ >= count_; }))
      return true;
    ADD_FAILURE() << "gave up after " << limitMs << " ms waiting for " << what_ << " (" << arrived_
                  << " of " << count_ << " arrived)";
    return false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable all_;
  const int count_;
  int arrived_ = 0;
  const std::string what_;
};

// A thread running `body(args...)`, joined within a bound by Join or, while
// it runs, by the destructor.
class BoundedThread {
 public:
  BoundedThread() = default;
  template <class F, class... Args>
  explicit BoundedThread(std::string what, F&& body, Args&&... args)
      : what_(std::move(what)), end_(std::make_shared<End>()) {
    thread_ = std::thread(
        [end = end_](auto&& run, auto&&... values) {
          const Ending ending{*end};
          std::invoke(std::move(run), std::move(values)...);
        },
        std::forward<F>(body), std::forward<Args>(args)...);
  }
  BoundedThread(BoundedThread&&) = default;
  BoundedThread& operator=(BoundedThread&& other) noexcept {
    Join();
    what_ = std::move(other.what_);
    end_ = std::move(other.end_);
    thread_ = std::move(other.thread_);
    return *this;
  }
  ~BoundedThread() { Join(); }

  void Join(int limitMs = 20000) {
    if (!thread_.joinable()) return;
    std::unique_lock<std::mutex> lock(end_->mutex);
    if (!end_->changed.wait_for(lock, std::chrono::milliseconds(limitMs),
                                [&] { return end_->ended; })) {
      std::fprintf(stderr, "A test thread did not end within %d ms: %s\n", limitMs, what_.c_str());
      std::fflush(stderr);
      std::_Exit(EXIT_FAILURE);
    }
    lock.unlock();
    thread_.join();
  }

 private:
  struct End {
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
  };
  struct Ending {  // tells the end however the body leaves
    End& end;
    ~Ending() {
      std::lock_guard<std::mutex> lock(end.mutex);
      end.ended = true;
      end.changed.notify_all();
    }
  };

  std::string what_;
  std::shared_ptr<End> end_;
  std::thread thread_;
};

}  // namespace kvel::testing
