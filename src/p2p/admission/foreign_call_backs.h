// The user's answers about call-backs that come from another address than
// the one the GG server announced for the contact (CallBackCaller::Unsure):
// asked once per contact and address, they hold while the contact's run of
// waits lasts (AwaitedCallBacks::RunOf). One question per contact is open
// at a time; a caller that comes meanwhile waits for it, within a bound,
// rather than opening a box of its own.
//
// Thread safety: any thread; the question is shown on the caller's thread
// with no lock held.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "platform/clock.h"

namespace kvel::p2p {

// Answers kept at most; past it the oldest goes (and would be asked again).
inline constexpr size_t kMaxForeignAnswers = 64;
// A caller waiting for the contact's open question reads the clock again at
// least this often.
inline constexpr uint32_t kForeignLookMs = 100;

class ForeignCallBacks {
 public:
  // Shows the question whether `uin`, calling back from `address`, gets the
  // file it waits for, and returns once it is answered: true for yes.
  using Ask = std::function<bool(uint32_t uin, uint32_t address)>;

  ForeignCallBacks(Ask ask, platform::Clock clock);
  ForeignCallBacks(const ForeignCallBacks&) = delete;
  ForeignCallBacks& operator=(const ForeignCallBacks&) = delete;

  // Whether the caller at `address` may take a wait of `uin` in the run
  // `run`: the answer given for them in this run, else the user's answer
  // now. A question of the contact that is open already is waited for at
  // most `waitMs`; false when that runs out, and after Stop.
  bool Allowed(uint32_t uin, uint32_t address, uint64_t run, uint32_t waitMs);
  // Unloading: no question is asked from now on, and the waits give up.
  void Stop();

 private:
  struct Answer {
    uint64_t run = 0;
    bool yes = false;
    uint64_t order = 0;  // when it was given, to drop the oldest
  };
  using Key = std::pair<uint32_t, uint32_t>;  // contact, address
  void Keep(const Key& key, uint64_t run, bool yes);

  const Ask ask_;
  const platform::Clock clock_;
  std::mutex mutex_;
  std::condition_variable answered_;
  std::map<Key, Answer> answers_;
  std::set<uint32_t> asking_;  // contacts with a question open
  uint64_t given_ = 0;
  bool stopped_ = false;
};

}  // namespace kvel::p2p
