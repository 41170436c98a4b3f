// The address the login packet announces for direct connections.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvel::gg {

// The listener binds to this text; as an address it is 0, which asks for the
// machine's own address to be looked up.
inline constexpr char kLocalAddress[16] = "0.0.0.0";

// Among the machine's addresses (network byte order, resolver order): the
// first later address whose first octet is odd, else the first; 0 for none.
// The first address itself is never tested.
uint32_t ChooseLocalAddress(const std::vector<uint32_t>& addresses);

}  // namespace kvel::gg
