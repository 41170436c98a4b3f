// The product's binding of what connection threads reach: the context's peer
// table, own number, call-backs, transfers registry and connection set, the
// host's log and contact list, and the file procedures.
#include "gg/contact_lookup.h"
#include "p2p/connection.h"
#include "platform/dialogs.h"
#include "platform/threads.h"
#include "plugin/plugin_context.h"
#include "plugin/production_bindings.h"
#include "transfers/file_transfer.h"

namespace kvel {
namespace {

void ShowNotice(void* raw) {
  std::unique_ptr<transfers::UserNotice> notice(static_cast<transfers::UserNotice*>(raw));
  platform::ShowError(notice->text.c_str(), notice->caption.c_str());
}

class PluginConnections final : public p2p::ConnectionServices {
 public:
  explicit PluginConnections(Plugin& plugin) : plugin_(plugin) {}

  p2p::PeerAddress PeerAddressOf(uint32_t uin) override {
    return gg::LookupPeerAddressIn(plugin_.users, uin);
  }
  uint32_t OwnUin() override { return plugin_.ownUin.load(); }
  bool TakeCallBack(uint32_t uin) override { return plugin_.callBacks.Take(uin); }
  void Log(const std::string& line) override { plugin_.host.Log(line.c_str()); }
  std::string PeerName(uint32_t uin) override { return gg::PeerDisplayName(plugin_.host, uin); }
  bool SendFile(p2p::PeerConnection& connection, transfers::TransferHandle& transfer) override {
    return transfers::SendFile(plugin_.host, connection, transfer);
  }
  bool ReceiveFile(p2p::PeerConnection& connection, transfers::TransferHandle& transfer) override {
    return transfers::ReceiveFile(plugin_.host, plugin_.KeptPartsIfAny(), connection, transfer);
  }
  // The box has a thread of its own: the connection's thread ends meanwhile.
  void TellUser(const transfers::TransferReport& report) override {
    auto notice = std::make_unique<transfers::UserNotice>(
        transfers::TransferNotice(report, gg::PeerDisplayName(plugin_.host, report.peerUin)));
    if (notice->text.empty()) return;
    if (platform::SpawnDetachedThread(&ShowNotice, notice.get())) notice.release();
  }
  p2p::ConnectionSet& Connections() override { return plugin_.connections; }
  transfers::TransferRegistry& Transfers() override { return plugin_.transfers; }

 private:
  Plugin& plugin_;
};

}  // namespace

std::shared_ptr<p2p::ConnectionServices> MakeConnectionServices(Plugin& plugin) {
  return std::make_shared<PluginConnections>(plugin);
}

}  // namespace kvel
