#include "images/pending_images.h"

namespace kvel::images {

void PendingImages::Add(const wire::ImageId& id, std::string path) {
  std::lock_guard<std::mutex> lock(mutex_);
  paths_[id] = std::move(path);
}

std::optional<std::string> PendingImages::Take(const wire::ImageId& id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = paths_.find(id);
  if (found == paths_.end()) return std::nullopt;
  std::string path = std::move(found->second);
  paths_.erase(found);
  return path;
}

}  // namespace kvel::images
