// Sending a GG packet through the host's GG module.
#pragma once

#include <cstdint>
#include <span>

#include "host/host_services.h"

namespace kvel::host {

// Sends a whole GG packet (header included) through "Tlen/ProtocolCallFunction"
// / "PFSendRawData". The host takes the bytes before the call returns.
void SendRawPacket(HostServices& host, std::span<const uint8_t> packet);

}  // namespace kvel::host
