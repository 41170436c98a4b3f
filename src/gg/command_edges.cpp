#include "gg/command_edges.h"

#include "images/image_exchange.h"
#include "p2p/call_backs.h"
#include "p2p/connection.h"
#include "plugin/host.h"

namespace kvel::gg {

const CommandEdges& ProductionCommandEdges() {
  static const CommandEdges edges{
      &LookupPeerAddress,
      [](uint32_t uin, uint32_t code) { return p2p::StartOutgoing(uin, code); },
      [](uint32_t uin) { p2p::AwaitedCallBacks().Renew(uin); },
      &SendRawPacket,
      &platform::ShowError,
      &platform::ChooseOpenFile,
      &images::SendImage,
  };
  return edges;
}

}  // namespace kvel::gg
