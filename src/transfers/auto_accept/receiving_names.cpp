#include "transfers/auto_accept/receiving_names.h"

#include <utility>

#include "common/file_name.h"

namespace kvel::transfers {

ReceivingNames::Hold::~Hold() {
  Release();
}

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

ReceivingNames::Hold ReceivingNames::Take(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!held_.insert(CaseFolded(path)).second) return {};
  Hold hold;
  hold.names_ = this;
  hold.path_ = path;
  return hold;
}

void ReceivingNames::Give(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  held_.erase(CaseFolded(path));
}

}  // namespace kvel::transfers
