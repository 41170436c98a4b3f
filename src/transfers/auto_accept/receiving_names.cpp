#include "transfers/auto_accept/receiving_names.h"

#include <utility>

namespace kvel::transfers {

ReceivingNames::Hold::~Hold() {
  Release();
}

ReceivingNames::Hold::Hold(Hold&& other) noexcept
    : names_(std::exchange(other.names_, nullptr)), path_(std::move(other.path_)) {}

ReceivingNames::Hold& ReceivingNames::Hold::operator=(Hold&& other) noexcept {
  if (this != &other) {
    Release();
    names_ = std::exchange(other.names_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

void ReceivingNames::Hold::Release() {
  if (names_ != nullptr) std::exchange(names_, nullptr)->Give(path_);
}

std::string ReceivingNames::Key(const std::string& path) {
  std::string key = path;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

ReceivingNames::Hold ReceivingNames::Take(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!held_.insert(Key(path)).second) return {};
  Hold hold;
  hold.names_ = this;
  hold.path_ = path;
  return hold;
}

bool ReceivingNames::Held(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return held_.count(Key(path)) != 0;
}

void ReceivingNames::Give(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_.erase(Key(path));
}

}  // namespace kvel::transfers
