// Where a contact accepts direct connections, as the peer table knows it.
#pragma once

#include <cstdint>

namespace kvel::gg {

struct PeerAddress {
  uint32_t ip = 0;    // network byte order; 0 when none is known
  uint16_t port = 0;  // 0, 1 and 2 are states, any other value a real port
};

class UserDB;

// The table's address and port for `uin`, both from one look-up (never the
// address of one status packet with the port of another); {0, 0} for a
// number it lacks.
PeerAddress LookupPeerAddressIn(UserDB& users, uint32_t uin);

}  // namespace kvel::gg
