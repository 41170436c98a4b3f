// What a contact's announced port says about reaching it directly.
#pragma once

#include <cstdint>

namespace kvel::wire {

enum PeerState : int {
  kNoDirect = 0,   // port 0: accepts no direct connections
  kAskToCall = 1,  // port 1: cannot be reached; ask it to connect instead
  kNotListed = 2,  // port 2: does not have this user in its contact list
  kDirect = 3,     // any other port: connect to its address and port
};

// Ports of 3 and above, also those negative as signed 16-bit, mean kDirect.
inline PeerState PeerStateOf(uint16_t port) {
  return port < 3 ? static_cast<PeerState>(port) : kDirect;
}

}  // namespace kvel::wire
