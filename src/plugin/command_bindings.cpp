#include "images/image_exchange.h"
#include "p2p/call_backs.h"
#include "p2p/connection.h"
#include "plugin/host.h"
#include "plugin/plugin_context.h"
#include "plugin/production_edges.h"

namespace kvel {

const gg::CommandEdges& ProductionCommandEdges() {
  static const gg::CommandEdges edges{
      [](uint32_t uin) { return LookupPeerAddressIn(ThePlugin().users, uin); },
      [](uint32_t uin, uint32_t code) { return p2p::StartOutgoing(uin, code, ProductionEdges()); },
      [](uint32_t uin) { p2p::AwaitedCallBacks().Renew(uin); },
      &SendRawPacket,
      &platform::ShowError,
      &platform::ChooseOpenFile,
      [](uint32_t uin, const char* path) {
        images::SendImage(ProcessHost(), ThePlugin().ownUin.load(), uin, path);
      },
  };
  return edges;
}

}  // namespace kvel
