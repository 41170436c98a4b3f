// The GG protocol hook the host calls with its GG events and packets.
#pragma once

#include <cstdint>

#include "host/host_api.h"

namespace kvel::gg {

// Returns -1 when the packet has been taken over (the host neither sends nor
// delivers it), 0 otherwise.
int32_t KVEL_CALL ProtocolHook(host::EventRecord* event, host::PacketRef* packet);

}  // namespace kvel::gg
