#include "gg/peer_address.h"

#include "gg/user_db.h"

namespace kvel::gg {

PeerAddress LookupPeerAddressIn(UserDB& users, uint32_t uin) {
  std::optional<UserDB::user> entry = users.Find(uin);
  if (!entry) return {};
  return {entry->ip, entry->port};
}

}  // namespace kvel::gg
