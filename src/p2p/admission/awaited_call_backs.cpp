#include "p2p/admission/awaited_call_backs.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace kvel::p2p {

using transfers::TransferHandle;
using transfers::TransferOutcome;
using Why = AwaitedCallBacks::Unanswered::Why;

// Shared by the object and its thread, which may outlive Stop's wait.
struct AwaitedCallBacks::State {
  State(size_t capacity, uint32_t waitMs, platform::Clock clock, Ended ended)
      : capacity(capacity), waitMs(waitMs), clock(std::move(clock)), ended(std::move(ended)) {}

  // Hands each to `ended`; once stopped, ends it as stopped instead.
  void TellEnded(std::vector<Unanswered> unanswered) {
    Ended tell;
    {
      std::lock_guard<std::mutex> lock(mutex);
      tell = ended;
    }
    for (Unanswered& wait : unanswered) {
      if (tell)
        tell(std::move(wait));
      else
        wait.transfer.End(TransferOutcome::Stopped);
    }
  }

  static Unanswered TakeOut(Entry& entry, Why why) {
    return {why, entry.uin, std::move(entry.transfer), std::move(entry.reason)};
  }

  void EndDue() {
    std::vector<Unanswered> due;
    {
      std::lock_guard<std::mutex> lock(mutex);
      const uint32_t now = clock();
      for (auto it = entries.begin(); it != entries.end();) {
        if (now - it->askedAt >= waitMs) {
          due.push_back(TakeOut(*it, Why::TimedOut));
        } else if (it->transfer && it->transfer.Read().stopped) {
          due.push_back(TakeOut(*it, Why::Stopped));
        } else {
          ++it;
          continue;
        }
        it = entries.erase(it);
      }
    }
    TellEnded(std::move(due));
  }

  // How long the thread may sleep before a wait is due.
  uint32_t Sleep() {
    std::lock_guard<std::mutex> lock(mutex);
    const uint32_t now = clock();
    uint32_t sleep = platform::kNoDeadline;
    for (const Entry& entry : entries) {
      const uint32_t spent = now - entry.askedAt;
      sleep = std::min(sleep, spent >= waitMs ? 0 : waitMs - spent);
    }
    return sleep;
  }

  const size_t capacity;
  const uint32_t waitMs;
  const platform::Clock clock;
  std::mutex mutex;
  std::deque<Entry> entries;  // oldest first
  Ended ended;                // null once stopped
  bool stopped = false;
  bool watching = false;
  uint64_t lastRun = 0;
};

AwaitedCallBacks::AwaitedCallBacks(size_t capacity, uint32_t waitMs, platform::Clock clock,
                                   Ended ended)
    : state_(std::make_shared<State>(capacity, waitMs, std::move(clock), std::move(ended))) {}

AwaitedCallBacks::~AwaitedCallBacks() {
  Stop();
}

bool AwaitedCallBacks::Start() {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->stopped || state_->watching) return false;
    state_->watching = true;
  }
  // The body holds its own share of the state. It sleeps until the next
  // wait runs out, a new one comes, a send is stopped (Look) or the stop,
  // and ends what is due each time.
  return worker_.Start([state = state_](platform::WorkerStop& stop) {
    while (!stop.WaitFor(state->Sleep())) state->EndDue();
  });
}

bool AwaitedCallBacks::Await(uint32_t uin, TransferHandle transfer, std::string reason) {
  std::vector<Unanswered> pushed;
  bool refused = false;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    refused = state_->stopped || state_->capacity == 0;
    while (!refused && state_->entries.size() >= state_->capacity) {
      pushed.push_back(State::TakeOut(state_->entries.front(), Why::PushedOut));
      state_->entries.pop_front();
    }
    if (!refused) {
      // A wait joins the run of the contact's other waits, or begins one.
      auto other = std::find_if(state_->entries.begin(), state_->entries.end(),
                                [uin](const Entry& entry) { return entry.uin == uin; });
      const uint64_t run = other != state_->entries.end() ? other->run : ++state_->lastRun;
      state_->entries.push_back(
          {uin, std::move(transfer), std::move(reason), state_->clock(), run});
    }
  }
  // Ended with no lock held: whoever watches its end may await another.
  if (refused) {
    transfer.End(TransferOutcome::Stopped);
    return false;
  }
  // Its deadline may come before the one the thread sleeps towards.
  worker_.Wake();
  state_->TellEnded(std::move(pushed));
  return true;
}

std::vector<uint32_t> AwaitedCallBacks::Contacts() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  std::vector<uint32_t> contacts;
  for (const Entry& entry : state_->entries) {
    if (std::find(contacts.begin(), contacts.end(), entry.uin) == contacts.end())
      contacts.push_back(entry.uin);
  }
  return contacts;
}

uint64_t AwaitedCallBacks::RunOf(uint32_t uin) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  for (const Entry& entry : state_->entries) {
    if (entry.uin == uin) return entry.run;
  }
  return 0;
}

std::string AwaitedCallBacks::FileOf(uint32_t uin) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  for (const Entry& entry : state_->entries) {
    if (entry.uin != uin || !entry.transfer) continue;
    const std::string path = entry.transfer.Read().path;
    if (!path.empty()) return path;
  }
  return {};
}

bool AwaitedCallBacks::Take(uint32_t uin, TransferHandle* transfer) {
  // One that ran out is not taken, whether or not the thread has ended it.
  EndDue();
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto found = std::find_if(state_->entries.begin(), state_->entries.end(),
                            [uin](const Entry& entry) { return entry.uin == uin; });
  if (found == state_->entries.end()) return false;
  if (transfer != nullptr) *transfer = std::move(found->transfer);
  state_->entries.erase(found);
  return true;
}

void AwaitedCallBacks::EndDue() {
  state_->EndDue();
}

void AwaitedCallBacks::Look() {
  worker_.Wake();
}

bool AwaitedCallBacks::Stop() {
  std::deque<Entry> ended;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
    state_->ended = nullptr;
    ended.swap(state_->entries);
  }
  // The thread only waits and hands on: it ends at once.
  const bool watchEnded = worker_.Stop();
  for (Entry& entry : ended) entry.transfer.End(TransferOutcome::Stopped);
  return watchEnded;
}

size_t AwaitedCallBacks::CountOf(uint32_t uin) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return static_cast<size_t>(std::count_if(state_->entries.begin(), state_->entries.end(),
                                           [uin](const Entry& entry) { return entry.uin == uin; }));
}

}  // namespace kvel::p2p
