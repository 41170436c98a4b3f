#include "images/requested_images.h"

#include "platform/threads.h"

namespace kvel::images {

RequestedImages::RequestedImages() : RequestedImages(&platform::TickCount) {}

}  // namespace kvel::images
