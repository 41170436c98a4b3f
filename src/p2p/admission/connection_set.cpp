#include "p2p/admission/connection_set.h"

#include <algorithm>
#include <utility>

namespace kvel::p2p {
namespace {

void Decrement(std::map<uint32_t, size_t>& counts, uint32_t key) {
  auto found = counts.find(key);
  if (found == counts.end()) return;
  if (--found->second == 0) counts.erase(found);
}

size_t CountOf(const std::map<uint32_t, size_t>& counts, uint32_t key) {
  auto found = counts.find(key);
  return found == counts.end() ? 0 : found->second;
}

void SetRefusal(Refusal* refusal, Refusal value) {
  if (refusal != nullptr) *refusal = value;
}

ConnectionSet::Place Refused(Refusal* refusal, Refusal why) {
  SetRefusal(refusal, why);
  return {};
}

}  // namespace

ConnectionSet::Place& ConnectionSet::Place::operator=(Place&& other) noexcept {
  if (this != &other) {
    Leave();
    set_ = std::exchange(other.set_, nullptr);
    own_ = other.own_;
    forCallBack_ = other.forCallBack_;
    address_ = other.address_;
    number_ = other.number_;
  }
  return *this;
}

bool ConnectionSet::Place::CountAgainstNumber(uint32_t number) {
  if (set_ == nullptr || own_ || number_) return true;
  std::lock_guard<std::mutex> lock(set_->mutex_);
  size_t& count = set_->byNumber_[number];
  if (count >= set_->limits_.maxPendingPerNumber) {
    if (count == 0) set_->byNumber_.erase(number);
    return false;
  }
  ++count;
  number_ = number;
  return true;
}

void ConnectionSet::Place::EndPending() {
  if (set_ == nullptr) return;
  std::lock_guard<std::mutex> lock(set_->mutex_);
  set_->Uncount(*this);
}

void ConnectionSet::Place::BecomeOwn() {
  if (set_ == nullptr || own_) return;
  std::lock_guard<std::mutex> lock(set_->mutex_);
  set_->Uncount(*this);
  if (forCallBack_) {
    forCallBack_ = false;  // counted among the user's own from the start
  } else {
    --set_->peer_;
    ++set_->own_;
  }
  own_ = true;
}

void ConnectionSet::Place::Leave() {
  if (set_ == nullptr) return;
  ConnectionSet* set = std::exchange(set_, nullptr);
  set->Release(*this);
}

ConnectionSet::ConnectionSet(const ConnectionLimits& limits) : limits_(limits) {}

bool ConnectionSet::PeerRoom() const {
  const size_t peerCapacity =
      limits_.maxConnections - std::min(limits_.reservedForOwn, limits_.maxConnections);
  return peer_ < peerCapacity && own_ + peer_ < limits_.maxConnections;
}

ConnectionSet::Place ConnectionSet::Make(bool own) {
  Place place;
  place.set_ = this;
  place.own_ = own;
  ++(own ? own_ : peer_);
  return place;
}

ConnectionSet::Place ConnectionSet::EnterOwn(Refusal* refusal) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_ || own_ + peer_ >= limits_.maxConnections) return Refused(refusal, Refusal::Full);
  SetRefusal(refusal, Refusal::None);
  return Make(true);
}

ConnectionSet::Place ConnectionSet::EnterCall(uint32_t address, bool callBackAwaited,
                                              Refusal* refusal) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return Refused(refusal, Refusal::Full);
  if (address != 0 && CountOf(byAddress_, address) >= limits_.maxPendingPerAddress)
    return Refused(refusal, Refusal::Address);
  Place place;
  if (PeerRoom()) {
    place = Make(false);
  } else if (callBackAwaited && own_ + peer_ < limits_.maxConnections) {
    // Only the reserve has room: the user's own call-back may be calling.
    place = Make(false);
    --peer_;
    ++own_;
    place.forCallBack_ = true;
  } else {
    return Refused(refusal, Refusal::Full);
  }
  SetRefusal(refusal, Refusal::None);
  place.address_ = address;
  if (address != 0) ++byAddress_[address];
  return place;
}

ConnectionSet::Place ConnectionSet::EnterCallBack(uint32_t number, Refusal* refusal) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_ || !PeerRoom()) return Refused(refusal, Refusal::Full);
  if (CountOf(byNumber_, number) >= limits_.maxPendingPerNumber)
    return Refused(refusal, Refusal::Number);
  SetRefusal(refusal, Refusal::None);
  Place place = Make(false);
  place.number_ = number;
  ++byNumber_[number];
  return place;
}

void ConnectionSet::Uncount(Place& place) {
  if (place.address_ != 0) Decrement(byAddress_, place.address_);
  if (place.number_) Decrement(byNumber_, *place.number_);
  place.address_ = 0;
  place.number_.reset();
}

void ConnectionSet::Release(Place& place) {
  std::lock_guard<std::mutex> lock(mutex_);
  Uncount(place);
  size_t& count = place.own_ || place.forCallBack_ ? own_ : peer_;
  if (count > 0) --count;
}

void ConnectionSet::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
}

bool ConnectionSet::BeginReport() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return false;
  ++reports_;
  return true;
}

void ConnectionSet::EndReport() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (reports_ > 0) --reports_;
}

size_t ConnectionSet::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return own_ + peer_;
}

size_t ConnectionSet::PendingFrom(uint32_t address) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountOf(byAddress_, address);
}

size_t ConnectionSet::PendingOf(uint32_t number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return CountOf(byNumber_, number);
}

}  // namespace kvel::p2p
