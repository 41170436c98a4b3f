#include "transfers/telling/notice_batches.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "common/texts.h"
#include "transfers/telling/telling_texts.h"

namespace kvel::transfers {

// Shared by the object and the gathering thread, which outlives it while a
// box is open.
struct NoticeBatches::State {
  State(uint32_t gatherMs, Show show, Spawn spawn, Log log)
      : gatherMs(gatherMs), show(std::move(show)), spawn(std::move(spawn)), log(std::move(log)) {}

  const uint32_t gatherMs;
  const Show show;
  const Spawn spawn;
  const Log log;
  std::mutex mutex;
  std::condition_variable stopping;
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
  if (notices.size() > kMaxNoticesInBox) {
    char more[128];
    std::snprintf(more, sizeof more, text::kNoticesMoreFormat,
                  static_cast<unsigned>(notices.size() - kMaxNoticesInBox));
    box.text += "\n";
    box.text += more;
  }
  if (logged > 0) {
    char line[128];
    std::snprintf(line, sizeof line, text::kNoticesLoggedFormat, static_cast<unsigned>(logged));
    box.text += "\n";
    box.text += line;
  }
  return box;
}

NoticeBatches::NoticeBatches(uint32_t gatherMs, Show show, Spawn spawn, Log log)
    : state_(std::make_shared<State>(gatherMs, std::move(show), std::move(spawn), std::move(log))) {
}

NoticeBatches::~NoticeBatches() {
  Stop();
}

void NoticeBatches::Tell(UserNotice notice) {
  if (notice.text.empty()) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->stopped) return;
    if (state_->gathering) {
      state_->batch.push_back(std::move(notice));
      return;
    }
    if (state_->threads < kMaxOpenBoxes) {
      // The first of a batch: a thread gathers what comes with it, then shows.
      auto* handed = new std::shared_ptr<State>(state_);
      if (!state_->spawn(&Gather, handed)) {
        delete handed;
        return;
      }
      state_->batch.push_back(std::move(notice));
      state_->gathering = true;
      ++state_->threads;
      return;
    }
    ++state_->logged;
  }
  // Logged with no lock held: the log is the host's.
  if (state_->log) state_->log(text::kLogNoticeNotShown + notice.text);
}

void NoticeBatches::Gather(void* raw) {
  std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(raw));
  delete static_cast<std::shared_ptr<State>*>(raw);
  std::vector<UserNotice> batch;
  size_t logged = 0;
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    state->stopping.wait_for(lock, std::chrono::milliseconds(state->gatherMs),
                             [&] { return state->stopped; });
    state->gathering = false;
    if (state->stopped) {
      --state->threads;
      return;
    }
    batch.swap(state->batch);
    logged = std::exchange(state->logged, 0);
  }
  state->show(GatherNotices(batch, logged));
  std::lock_guard<std::mutex> lock(state->mutex);
  --state->threads;
}

void NoticeBatches::Stop() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
    state_->batch.clear();
  }
  state_->stopping.notify_all();
}

}  // namespace kvel::transfers
