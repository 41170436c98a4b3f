#include "transfers/telling/notice_batches.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "common/texts.h"
#include "transfers/telling/telling_texts.h"

namespace kvel::transfers {

// Shared by the object and the boxes' threads, which outlive it while a box
// is open.
struct NoticeBatches::State {
  State(uint32_t gatherMs, Show show, Log log)
      : gatherMs(gatherMs), show(std::move(show)), log(std::move(log)) {}

  const uint32_t gatherMs;
  const Show show;
  const Log log;
  std::mutex mutex;
  std::vector<UserNotice> batch;  // told, not yet shown
  bool gathering = false;         // a thread gathers `batch`
  size_t threads = 0;             // gathering or showing a box
  size_t logged = 0;              // notices logged alone since the last box
  bool stopped = false;
};

UserNotice GatherNotices(const std::vector<UserNotice>& notices, size_t logged) {
  if (notices.empty()) return {};
  UserNotice box;
  box.caption = notices.front().caption;
  for (size_t i = 0; i < notices.size(); ++i) {
    if (notices[i].caption != box.caption) box.caption = text::kErrorCaption;
    if (i >= kMaxNoticesInBox) continue;
    if (i > 0) box.text += "\n";
    box.text += notices[i].text;
  }
  // A last line counting `count` notices, when there are any.
  const auto countLine = [&box](const char* format, size_t count) {
    if (count == 0) return;
    char line[128];
    std::snprintf(line, sizeof line, format, static_cast<unsigned>(count));
    box.text += "\n";
    box.text += line;
  };
  countLine(text::kNoticesMoreFormat, notices.size() - std::min(notices.size(), kMaxNoticesInBox));
  countLine(text::kNoticesLoggedFormat, logged);
  return box;
}

NoticeBatches::NoticeBatches(uint32_t gatherMs, Show show, Log log)
    : state_(std::make_shared<State>(gatherMs, std::move(show), std::move(log))) {}

NoticeBatches::~NoticeBatches() {
  Stop(0);
}

void NoticeBatches::Tell(UserNotice notice) {
  if (notice.text.empty()) return;
  bool boxesFull = false;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->stopped) return;
    if (state_->gathering) {
      state_->batch.push_back(std::move(notice));
      return;
    }
    boxesFull = state_->threads >= kMaxOpenBoxes;
    if (boxesFull) {
      ++state_->logged;
    } else {
      // The first of a batch: a thread gathers what comes with it, then shows.
      state_->batch.push_back(std::move(notice));
      state_->gathering = true;
      ++state_->threads;
    }
  }
  if (boxesFull) {
    // Logged with no lock held: the log is the host's.
    if (state_->log) state_->log(text::kLogNoticeNotShown + notice.text);
    return;
  }
  std::lock_guard<std::mutex> workersLock(workersMutex_);
  // The workers of boxes closed since: their threads have ended.
  workers_.remove_if([](const platform::Worker& worker) { return !worker.Running(); });
  // The body holds its own share of the state: it may outlive the object.
  std::shared_ptr<State> state = state_;
  workers_.emplace_back();
  if (workers_.back().Start([state](platform::WorkerStop& stop) { Gather(*state, stop); })) return;
  workers_.pop_back();
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->batch.clear();
  state_->gathering = false;
  --state_->threads;
}

void NoticeBatches::Gather(State& state, platform::WorkerStop& stop) {
  std::vector<UserNotice> batch;
  size_t logged = 0;
  const bool stopped = stop.WaitFor(state.gatherMs);
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.gathering = false;
    if (stopped || state.stopped) {
      --state.threads;
      return;
    }
    batch.swap(state.batch);
    logged = std::exchange(state.logged, 0);
  }
  state.show(GatherNotices(batch, logged));
  std::lock_guard<std::mutex> lock(state.mutex);
  --state.threads;
}

bool NoticeBatches::Stop(uint32_t waitMs) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
    state_->batch.clear();
  }
  std::lock_guard<std::mutex> workersLock(workersMutex_);
  bool ended = true;
  for (platform::Worker& worker : workers_) ended = worker.Stop(waitMs) && ended;
  return ended;
}

size_t NoticeBatches::OpenBoxes() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->threads;
}

}  // namespace kvel::transfers
