// The production binding of a connection thread's edges.
#include "gg/contact_lookup.h"
#include "host/log_line.h"
#include "p2p/call_backs.h"
#include "p2p/connection.h"
#include "p2p/file_transfer.h"
#include "platform/dialogs.h"
#include "platform/threads.h"
#include "plugin/host.h"
#include "plugin/plugin_context.h"
#include "plugin/production_edges.h"
#include "ui/progress_win.h"

namespace kvel {
namespace {

void ShowNotice(void* raw) {
  std::unique_ptr<p2p::UserNotice> notice(static_cast<p2p::UserNotice*>(raw));
  platform::ShowError(notice->text.c_str(), notice->caption.c_str());
}

// The box has a thread of its own: the connection's thread ends meanwhile.
void TellUser(const p2p::TransferReport& report) {
  auto notice = std::make_unique<p2p::UserNotice>(
      p2p::TransferNotice(report, gg::PeerDisplayName(ProcessHost(), report.peerUin)));
  if (notice->text.empty()) return;
  if (platform::SpawnDetachedThread(&ShowNotice, notice.get())) notice.release();
}

}  // namespace

std::shared_ptr<const p2p::ConnectionEdges> ProductionEdges() {
  static const std::shared_ptr<const p2p::ConnectionEdges> edges =
      std::make_shared<const p2p::ConnectionEdges>(p2p::ConnectionEdges{
          [](uint32_t uin) { return gg::LookupPeerAddressIn(ThePlugin().users, uin); },
          [] { return ThePlugin().ownUin.load(); },
          [](uint32_t uin) { return p2p::AwaitedCallBacks().Take(uin); },
          [](const std::string& line) { host::LogLine(ProcessHost(), line.c_str()); },
          [](platform::Socket socket, uint32_t uin, ui::TransferDirection direction) {
            // The host is asked once, with no lock held; the row keeps the name.
            ui::AddTransfer(socket, uin, direction, gg::PeerDisplayName(ProcessHost(), uin));
          },
          &ui::RemoveTransfer,
          [](platform::Socket socket, uint32_t uin) {
            return p2p::SendFile(ProcessHost(), socket, uin);
          },
          [](platform::Socket socket, uint32_t uin) {
            return p2p::ReceiveFile(ProcessHost(), socket, uin);
          },
          &TellUser,
          {},
          p2p::kConnectionLimits,
          &p2p::ProcessConnections(),
      });
  return edges;
}

}  // namespace kvel
