// The production binding of a connection thread's edges.
#include "gg/contact_lookup.h"
#include "gg/own_uin.h"
#include "p2p/call_backs.h"
#include "p2p/connection.h"
#include "p2p/file_transfer.h"
#include "platform/dialogs.h"
#include "platform/threads.h"
#include "plugin/log_line.h"
#include "ui/progress_win.h"

namespace kvel::p2p {
namespace {

void ShowNotice(void* raw) {
  std::unique_ptr<UserNotice> notice(static_cast<UserNotice*>(raw));
  platform::ShowError(notice->text.c_str(), notice->caption.c_str());
}

// The box has a thread of its own: the connection's thread ends meanwhile.
void TellUser(const TransferReport& report) {
  auto notice =
      std::make_unique<UserNotice>(TransferNotice(report, gg::PeerDisplayName(report.peerUin)));
  if (notice->text.empty()) return;
  if (platform::SpawnDetachedThread(&ShowNotice, notice.get())) notice.release();
}

}  // namespace

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
          &TellUser,
          {},
          kConnectionLimits,
          &ProcessConnections(),
      });
  return edges;
}

}  // namespace kvel::p2p
