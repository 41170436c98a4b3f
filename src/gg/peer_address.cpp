#include "gg/peer_address.h"

#include "gg/user_db.h"

namespace kvel::gg {

PeerAddress LookupPeerAddress(uint32_t uin) {
  UserDB& users = ProcessUserDB();
  return {users.GetUserIp(uin), users.GetUserPort(uin)};
}

}  // namespace kvel::gg
