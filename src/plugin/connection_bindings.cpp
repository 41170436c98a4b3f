// The product's binding of what connection threads reach: the context's peer
// table, own number, call-backs, question turns, boxes, transfers registry,
// sends' turns and connection set, the host's log, contact list and packets, and the
// file procedures.
#include "gg/contact_lookup.h"
#include "p2p/connection.h"
#include "p2p/reports.h"
#include "platform/dialogs.h"
#include "platform/threads.h"
#include "plugin/plugin_context.h"
#include "plugin/production_bindings.h"
#include "transfers/file_transfer.h"

namespace kvel {
namespace {

class PluginConnections final : public p2p::ConnectionServices {
 public:
  explicit PluginConnections(Plugin& plugin) : plugin_(plugin) {}

  p2p::PeerAddress PeerAddressOf(uint32_t uin) override {
    return gg::LookupPeerAddressIn(plugin_.users, uin);
  }
  uint32_t OwnUin() override { return plugin_.ownUin.load(); }
  p2p::AwaitedCallBacks& CallBacks() override { return plugin_.callBacks; }
  void Log(const std::string& line) override { plugin_.host.Log(line.c_str()); }
  std::string PeerName(uint32_t uin) override { return gg::PeerDisplayName(plugin_.host, uin); }
  bool SendFile(p2p::PeerConnection& connection, transfers::TransferHandle& transfer,
                const transfers::FurtherFiles& further) override {
    return transfers::SendFile(plugin_.host, connection, transfer, further, &plugin_.sendLimit);
  }
  bool ReceiveFile(p2p::PeerConnection& connection, transfers::TransferHandle& transfer,
                   const transfers::OfferOrigin& origin) override {
    // Its log lines are said as the connection's are: none while unloading.
    transfers::AutoAccepting accepting{
        plugin_.autoAccept, origin, [this](const std::string& line) { p2p::Report(*this, line); }};
    return transfers::ReceiveFile(
        plugin_.host, plugin_.KeptPartsIfAny(), connection, transfer, &plugin_.questionTurns,
        plugin_.autoAccept.On() ? &accepting : nullptr, &plugin_.receiveLimit);
  }
  // The box has a thread of its own: the connection's thread ends meanwhile.
  void TellUser(const transfers::TransferReport& report) override {
    plugin_.notices.Tell(
        transfers::TransferNotice(report, gg::PeerDisplayName(plugin_.host, report.peerUin)));
  }
  void TellUnreached(const p2p::Unreached& unreached) override {
    plugin_.notices.Tell(
        p2p::UnreachedNotice(unreached, gg::PeerDisplayName(plugin_.host, unreached.peerUin)));
  }
  void SendPacket(std::span<const uint8_t> packet) override { plugin_.host.SendRawPacket(packet); }
  p2p::ConnectionSet& Connections() override { return plugin_.connections; }
  transfers::TransferRegistry& Transfers() override { return plugin_.transfers; }
  p2p::SendQueue& Sends() override { return plugin_.sends; }

 private:
  Plugin& plugin_;
};

}  // namespace

std::shared_ptr<p2p::ConnectionServices> MakeConnectionServices(Plugin& plugin) {
  return std::make_shared<PluginConnections>(plugin);
}

}  // namespace kvel
