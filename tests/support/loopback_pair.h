// Two connected TCP sockets on 127.0.0.1 (the listener takes a free port).
#pragma once

#include "platform/sockets.h"

namespace kvel::testing {

struct LoopbackPair {
  platform::Socket a = platform::kInvalidSocket;
  platform::Socket b = platform::kInvalidSocket;
};

// Starts the socket library when needed; both ends invalid on failure.
LoopbackPair MakeLoopbackPair();
void CloseLoopbackPair(LoopbackPair& pair);

}  // namespace kvel::testing
