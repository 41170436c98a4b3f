// The production binding of a connection thread's edges.
#include "gg/own_uin.h"
#include "p2p/call_backs.h"
#include "p2p/connection.h"
#include "p2p/file_transfer.h"
#include "plugin/log_line.h"
#include "ui/progress_win.h"

namespace kvel::p2p {

std::shared_ptr<const ConnectionEdges> ProductionEdges() {
  static const std::shared_ptr<const ConnectionEdges> edges =
      std::make_shared<const ConnectionEdges>(ConnectionEdges{
          &LookUpPeerAddress,
          &gg::OwnUin,
          [](uint32_t uin) { return AwaitedCallBacks().Take(uin); },
          [](const std::string& line) { LogLine(line.c_str()); },
          &ui::AddTransfer,
          &ui::RemoveTransfer,
          &SendFile,
          &ReceiveFile,
          {},
          kConnectionLimits,
          &ProcessConnections(),
      });
  return edges;
}

}  // namespace kvel::p2p
