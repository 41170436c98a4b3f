#include "p2p/reach/send_queue.h"

#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace kvel::p2p {

using transfers::Transfer;
using transfers::TransferHandle;
using transfers::TransferId;
using transfers::TransferOutcome;

// Shared with the watches of the sends, which may outlive the queue.
struct SendQueue::State {
  State(size_t perContact, Start start, Drop drop)
      : perContact(perContact), start(std::move(start)), drop(std::move(drop)) {}

  struct Contact {
    std::set<TransferId> running;        // sends that have their turn
    std::deque<TransferHandle> waiting;  // oldest first
  };

  // Frees the turn of send `id` to `uin`; false when it held none.
  bool Release(uint32_t uin, TransferId id) {
    std::lock_guard<std::mutex> lock(mutex);
    auto contact = contacts.find(uin);
    if (contact == contacts.end() || contact->second.running.erase(id) == 0) return false;
    Tidy(uin);
    return true;
  }

  // Under the lock: a send that had its turn waits again, first in line.
  void Requeue(uint32_t uin, TransferHandle transfer) {
    Contact& contact = contacts[uin];
    contact.running.erase(transfer.Id());
    contact.waiting.push_front(std::move(transfer));
  }

  // Under the lock: forgets a contact with nothing left.
  void Tidy(uint32_t uin) {
    auto found = contacts.find(uin);
    if (found != contacts.end() && found->second.running.empty() && found->second.waiting.empty())
      contacts.erase(found);
  }

  const size_t perContact;
  const Start start;
  const Drop drop;
  mutable std::mutex mutex;
  std::map<uint32_t, Contact> contacts;
  bool stopped = false;
  bool pumping = false;  // a thread is starting sends
  bool again = false;    // something changed meanwhile: that thread looks again
};

// Frees a send's turn when it ends, and takes a waiting send the user
// stopped out of the line.
class SendQueue::TurnWatch final : public transfers::TransferWatch {
 public:
  TurnWatch(std::weak_ptr<State> state, uint32_t uin) : state_(std::move(state)), uin_(uin) {}

  void Stopped(const Transfer& transfer) override {
    std::shared_ptr<State> state = state_.lock();
    if (!state) return;
    TransferHandle stopped;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      auto contact = state->contacts.find(uin_);
      if (contact == state->contacts.end()) return;
      std::deque<TransferHandle>& waiting = contact->second.waiting;
      for (auto it = waiting.begin(); it != waiting.end(); ++it) {
        if (it->Id() != transfer.id) continue;
        stopped = std::move(*it);
        waiting.erase(it);
        break;
      }
      state->Tidy(uin_);
    }
    if (stopped) state->drop(uin_, std::move(stopped));
  }

  void Ended(const Transfer& transfer) override {
    // A send that ends on its connection keeps its turn until its thread
    // has closed the socket and left its place (ConnectionLeft), so that
    // the contact never has more connections than turns.
    if (transfer.socket != platform::kInvalidSocket) return;
    std::shared_ptr<State> state = state_.lock();
    if (state && state->Release(uin_, transfer.id)) SendQueue::StartDue(state);
  }

 private:
  std::weak_ptr<State> state_;
  const uint32_t uin_;
};

SendQueue::SendQueue(size_t perContact, Start start, Drop drop)
    : state_(std::make_shared<State>(perContact, std::move(start), std::move(drop))) {}

SendQueue::~SendQueue() {
  Stop();
}

bool SendQueue::Enter(uint32_t uin, TransferHandle& transfer) {
  if (!transfer) return false;
  transfer.SetWatch(std::make_shared<TurnWatch>(state_, uin));
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->stopped) {
      State::Contact& contact = state_->contacts[uin];
      // Those waiting already go first.
      if (contact.waiting.empty() && contact.running.size() < state_->perContact) {
        contact.running.insert(transfer.Id());
        return true;
      }
      contact.waiting.push_back(std::move(transfer));
      return false;
    }
  }
  transfer.End(TransferOutcome::Stopped);
  return false;
}

void SendQueue::GiveBack(uint32_t uin, TransferHandle transfer) {
  if (!transfer) return;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->stopped) {
      state_->Requeue(uin, std::move(transfer));
      return;
    }
  }
  transfer.End(TransferOutcome::Stopped);
}

void SendQueue::ConnectionLeft(TransferId id) {
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    for (auto& [uin, contact] : state_->contacts) {
      if (contact.running.erase(id) == 0) continue;
      state_->Tidy(uin);
      break;
    }
  }
  StartDue(state_);
}

void SendQueue::StartDue(const std::shared_ptr<State>& state) {
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->pumping) {
      // The thread that pumps (maybe this one, further up) looks again.
      state->again = true;
      return;
    }
    state->pumping = true;
    state->again = false;
  }
  // Contacts whose send found no place: not tried again until something
  // changes.
  std::set<uint32_t> blocked;
  for (;;) {
    uint32_t uin = 0;
    TransferHandle next;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      if (state->again) {
        state->again = false;
        blocked.clear();
      }
      if (!state->stopped) {
        for (auto& [number, contact] : state->contacts) {
          if (contact.waiting.empty() || contact.running.size() >= state->perContact ||
              blocked.count(number) != 0)
            continue;
          uin = number;
          next = std::move(contact.waiting.front());
          contact.waiting.pop_front();
          contact.running.insert(next.Id());
          break;
        }
      }
      if (!next) {
        state->pumping = false;
        return;
      }
    }
    // One the user stopped as it was taken ends here; its turn goes with it.
    if (next.Read().stopped) {
      state->drop(uin, std::move(next));
      continue;
    }
    if (state->start(uin, next)) continue;
    bool stopped = false;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      stopped = state->stopped;
      if (stopped) {
        state->pumping = false;
      } else {
        state->Requeue(uin, std::move(next));
        blocked.insert(uin);
      }
    }
    if (stopped) {
      // Stopped while it was being started: it ends as the others did.
      next.End(TransferOutcome::Stopped);
      return;
    }
  }
}

std::vector<TransferHandle> SendQueue::TakeWaiting(uint32_t uin) {
  std::vector<TransferHandle> taken;
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto found = state_->contacts.find(uin);
  if (found == state_->contacts.end()) return taken;
  for (TransferHandle& transfer : found->second.waiting) taken.push_back(std::move(transfer));
  found->second.waiting.clear();
  state_->Tidy(uin);
  return taken;
}

void SendQueue::Stop() {
  std::vector<TransferHandle> ended;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
    for (auto& [uin, contact] : state_->contacts) {
      for (TransferHandle& transfer : contact.waiting) ended.push_back(std::move(transfer));
      contact.waiting.clear();
    }
  }
  for (TransferHandle& transfer : ended) transfer.End(TransferOutcome::Stopped);
}

size_t SendQueue::Running(uint32_t uin) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto found = state_->contacts.find(uin);
  return found == state_->contacts.end() ? 0 : found->second.running.size();
}

size_t SendQueue::Waiting(uint32_t uin) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto found = state_->contacts.find(uin);
  return found == state_->contacts.end() ? 0 : found->second.waiting.size();
}

}  // namespace kvel::p2p
