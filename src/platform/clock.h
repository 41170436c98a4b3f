// The one clock seam: whatever measures time takes a Clock, so that tests
// can move time by hand. The product hands it TickCount (threads.h).
#pragma once

#include <cstdint>
#include <functional>

namespace kvel::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like TickCount:
// compare two readings only by their unsigned difference.
using Clock = std::function<uint32_t()>;

}  // namespace kvel::platform
