// This machine's IPv4 addresses by its name (GetComputerNameA into 16 bytes,
// then gethostbyname), in the order the resolver gives them, network byte
// order. Empty when the name cannot be resolved.
#pragma once

#include <cstdint>
#include <vector>

namespace kvel::platform {

std::vector<uint32_t> LocalHostAddresses();

}  // namespace kvel::platform
