#include "plugin/process_peers.h"

#include "plugin/host.h"
#include "plugin/settings.h"

namespace kvel {
namespace {
// Its icons go through the process's host until the module unloads.
gg::UserDB g_processUserDB{ProcessHost(), CurrentSettings()};
}  // namespace

gg::UserDB& ProcessUserDB() {
  return g_processUserDB;
}

gg::PeerAddress LookupPeerAddress(uint32_t uin) {
  return gg::LookupPeerAddressIn(g_processUserDB, uin);
}

}  // namespace kvel
