#include "transfers/notice_batches.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "common/texts.h"
#include "transfers/notice_texts.h"

namespace kvel::transfers {

// Shared by the object and the gathering thread, which outlives it while a
// box is open.
struct NoticeBatches::State {
  const uint32_t gatherMs;
  const Show show;
  const Spawn spawn;
  std::mutex mutex;
  std::condition_variable stopping;
  std::vector<UserNotice> batch;  // told, not yet shown
  bool gathering = false;         // a thread gathers `batch`
  bool stopped = false;
};

UserNotice GatherNotices(const std::vector<UserNotice>& notices) {
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
  return box;
}

NoticeBatches::NoticeBatches(uint32_t gatherMs, Show show, Spawn spawn)
    : state_(new State{gatherMs, std::move(show), std::move(spawn), {}, {}, {}, false, false}) {}

NoticeBatches::~NoticeBatches() {
  Stop();
}

void NoticeBatches::Tell(UserNotice notice) {
  if (notice.text.empty()) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->stopped) return;
  state_->batch.push_back(std::move(notice));
  if (state_->gathering) return;
  // The first of a batch: a thread gathers what comes with it, then shows.
  auto* handed = new std::shared_ptr<State>(state_);
  if (!state_->spawn(&Gather, handed)) {
    delete handed;
    state_->batch.clear();
    return;
  }
  state_->gathering = true;
}

void NoticeBatches::Gather(void* raw) {
  std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(raw));
  delete static_cast<std::shared_ptr<State>*>(raw);
  std::vector<UserNotice> batch;
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    state->stopping.wait_for(lock, std::chrono::milliseconds(state->gatherMs),
                             [&] { return state->stopped; });
    state->gathering = false;
    if (state->stopped) return;
    batch.swap(state->batch);
  }
  state->show(GatherNotices(batch));
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
