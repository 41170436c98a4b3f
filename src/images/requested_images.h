// RequestedImages: the images this side has asked their senders for and waits
// on. Replies are taken only for these; each image is asked for once while it
// is listed. The table is bounded in count and in the bytes its images may
// take on disk while they are assembled, and every request expires. A
// request that goes without its image having come whole (it expired, made
// room for a newer one, or the table was cleared) is handed to the table's
// Forget, which removes what was assembled of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "platform/clock.h"
#include "wire/image_id.h"

namespace kvel::images {

// At most this many images are awaited at once; a newer request pushes out
// the oldest. A message shows at most 16 images, so this is four messages'
// worth.
inline constexpr size_t kMaxRequestedImages = 64;
// A request is forgotten this long after it was sent or its last part came:
// a reply travels through the GG server in seconds, so two minutes of
// silence mean it is not coming.
inline constexpr uint32_t kImageRequestLifetimeMs = 2 * 60 * 1000;
// The announced sizes of the awaited images together. A part never grows
// past its announced size, so this bounds the parts on disk in total: four
// images of the largest size at once, or a message of 16 images of 2 MiB.
inline constexpr uint64_t kMaxImagePartBytes = 32u << 20;

struct RequestLimits {
  size_t capacity = kMaxRequestedImages;
  uint32_t lifetimeMs = kImageRequestLifetimeMs;
  uint64_t partBytes = kMaxImagePartBytes;
};

class RequestedImages {
 public:
  // Called, under the table's lock, for each request that goes without its
  // image having come whole.
  using Forget = std::function<void(const wire::ImageId&)>;

  // Requests live on `clock`; `forget` (may be null) is told of each that goes.
  RequestedImages(platform::Clock clock, Forget forget, RequestLimits limits = {});
  RequestedImages(const RequestedImages&) = delete;
  RequestedImages& operator=(const RequestedImages&) = delete;

  // Lists a request for `id` made now, pushing out the oldest requests while
  // the count or the bytes would go past the limits. False, changing
  // nothing, while one is listed already or when the image alone is larger
  // than the bytes allowed.
  bool Add(const wire::ImageId& id);
  // Lists a request for `id` made now, listed before or not.
  void Renew(const wire::ImageId& id);
  bool Contains(const wire::ImageId& id);
  // Removes the request, whose image came whole or was discarded: nothing
  // is forgotten. True when it was listed.
  bool Take(const wire::ImageId& id);
  // Forgets the requests that have run out; every other call does so too.
  void Sweep();
  // Forgets every request.
  void Clear();
  size_t Size();
  // The announced sizes of the listed requests together.
  uint64_t Bytes();

 private:
  // Takes the table's lock and forgets the requests that ran out by `now`,
  // read from the clock before the lock.
  std::unique_lock<std::mutex> LockAt(uint32_t now);
  void Expire(uint32_t now);
  void Drop(std::map<wire::ImageId, uint32_t>::iterator entry, bool forget = true);
  // Lists `id` as requested at `now`, pushing out the oldest requests while
  // the count or the bytes would go past the limits; false when the image
  // alone is larger than the bytes allowed.
  bool Insert(const wire::ImageId& id, uint32_t now);

  platform::Clock clock_;
  Forget forget_;
  const RequestLimits limits_;
  std::mutex mutex_;
  std::map<wire::ImageId, uint32_t> entries_;  // id: when it was requested
  uint64_t bytes_ = 0;
};

}  // namespace kvel::images
