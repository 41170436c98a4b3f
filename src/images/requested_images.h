// RequestedImages: the images this side has asked their senders for and waits
// on. Replies are taken only for these; each image is asked for once while it
// is listed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "gg/recent_requests.h"
#include "wire/image_id.h"

namespace kvel::images {

// At most this many images are awaited at once; a newer request pushes out
// the oldest.
inline constexpr size_t kMaxRequestedImages = 64;
// A request is forgotten this long after it was sent or its last part came.
inline constexpr uint32_t kImageRequestLifetimeMs = 2 * 60 * 1000;

class RequestedImages : public gg::RecentRequests<wire::ImageId> {
 public:
  // On the platform's tick.
  RequestedImages();
  explicit RequestedImages(platform::Clock clock)
      : RecentRequests(kMaxRequestedImages, kImageRequestLifetimeMs, std::move(clock)) {}
};

}  // namespace kvel::images
