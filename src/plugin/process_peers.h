// The process's peer table, bound to the process's host and settings.
#pragma once

#include <cstdint>

#include "gg/peer_address.h"
#include "gg/user_db.h"

namespace kvel {

// Constructed at module load, emptied at unload (after UnloadPlugin).
gg::UserDB& ProcessUserDB();
// The table's address and port for `uin`, from one look-up.
gg::PeerAddress LookupPeerAddress(uint32_t uin);

}  // namespace kvel
