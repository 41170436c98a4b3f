// PendingImages: the images this side offered and the peer has not asked for
// yet, from image identity to local path. Guarded by its own lock: the host
// may call the menu command and the protocol hook on different threads.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "wire/image_id.h"

namespace kvel::images {

class PendingImages {
 public:
  PendingImages() = default;
  PendingImages(const PendingImages&) = delete;
  PendingImages& operator=(const PendingImages&) = delete;

  // Records an offer; a later offer of the same identity replaces the path.
  void Add(const wire::ImageId& id, std::string path);
  // Removes and returns the path offered under exactly `id`; nothing when the
  // identity was never offered or has already been taken.
  std::optional<std::string> Take(const wire::ImageId& id);

 private:
  std::mutex mutex_;
  std::map<wire::ImageId, std::string> paths_;
};

}  // namespace kvel::images
