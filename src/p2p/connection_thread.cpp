#include "p2p/connection.h"

namespace kvel::p2p {

bool StartOutgoing(uint32_t, uint32_t) { return false; }
void StartIncoming(platform::Socket) {}

}  // namespace kvel::p2p
