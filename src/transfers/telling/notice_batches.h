// The boxes that tell the user of transfers that ended badly. Notices that
// come together (within kNoticeGatherMs of the first) are shown in one box
// that lists them, not in one box each; the box has a worker of its own, so
// no connection waits for the user to close it. At most kMaxOpenBoxes are
// open at once, each with its one thread: while that many are, a notice
// goes to the log, and the next box counts what went there.
//
// Thread safety: Tell, OpenBoxes and Stop from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/threads/worker.h"
#include "transfers/telling/transfer_outcome.h"

namespace kvel::transfers {

// How long a box waits for more notices after the first. Failures of one
// cause come within it: a network that drops ends every transfer on it
// within a read or two, and the call-backs of sends clicked one after the
// other run out about as far apart as the clicks. Short enough that the
// box still follows the failure at once.
inline constexpr uint32_t kNoticeGatherMs = 2000;
// A box lists at most this many notices, and counts the rest.
inline constexpr size_t kMaxNoticesInBox = 10;
// Boxes open at once. A user away from the machine comes back to a few
// boxes and the log, not to a screen of them (each a thread of the host's
// process, which is 32-bit).
inline constexpr size_t kMaxOpenBoxes = 3;

// One box for `notices` (at least one): their texts, one a line, at most
// kMaxNoticesInBox and a line counting the rest, then a line counting the
// `logged` notices that went to the log alone, when there were any; the
// caption of them all when they agree, else the error caption.
UserNotice GatherNotices(const std::vector<UserNotice>& notices, size_t logged = 0);

class NoticeBatches {
 public:
  // Shows one box and returns once it is closed.
  using Show = std::function<void(const UserNotice& notice)>;
  // A diagnostic line.
  using Log = std::function<void(const std::string& line)>;

  NoticeBatches(uint32_t gatherMs, Show show, Log log);
  ~NoticeBatches();  // Stop(0)
  NoticeBatches(const NoticeBatches&) = delete;
  NoticeBatches& operator=(const NoticeBatches&) = delete;

  // Tells the user of `notice`, with the others that come with it, or, while
  // kMaxOpenBoxes are open and none gathers, logs it. A notice with no text
  // is not told.
  void Tell(UserNotice notice);
  // Notices not yet shown are dropped, and none is told from now on
  // (unloading). A box open already stays until the user closes it: no
  // stop wakes a thread in a box, so its thread is only waited for, at most
  // `waitMs`, and then keeps its share of the state and the module until the
  // box is closed. True when every box's thread ended.
  bool Stop(uint32_t waitMs = 0);
  // Boxes gathering or open.
  size_t OpenBoxes();

 private:
  struct State;
  static void Gather(State& state, platform::WorkerStop& stop);

  std::shared_ptr<State> state_;
  std::mutex workersMutex_;  // taken before the state's, never while a box is shown
  std::list<platform::Worker> workers_;
};

}  // namespace kvel::transfers
