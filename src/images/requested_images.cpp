#include "images/requested_images.h"

#include "platform/threads.h"

namespace kvel::images {

ImageRequests& RequestedImages() {
  static ImageRequests requests(kMaxRequestedImages, kImageRequestLifetimeMs, &platform::TickCount);
  return requests;
}

}  // namespace kvel::images
