// Naming a GG contact as the host's contact list does.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_services.h"

namespace kvel::gg {

// The GG number in plain signed decimal, as the host's id texts have it.
std::string UinText(uint32_t uin);

// The display name of the contact listed under `uin`, else `uin` in decimal.
std::string PeerDisplayName(host::HostServices& services, uint32_t uin);

}  // namespace kvel::gg
