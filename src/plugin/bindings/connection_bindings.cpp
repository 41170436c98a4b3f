// The product's binding of what connection threads reach: the context's peer
// table, own number, call-backs, question turns, boxes, transfers registry,
// sends' turns and connection set, the host's log, contact list and packets, and the
// file procedures.
#include "gg/contact_lookup.h"
#include "p2p/connection/connection_services.h"
#include "p2p/connection/reports.h"
#include "p2p/reach/fall_back.h"
#include "p2p/reach/own_sends.h"
#include "platform/threads/threads.h"
#include "plugin/plugin_parts.h"
#include "plugin/bindings/production_bindings.h"
#include "transfers/side/platform_streams.h"

namespace kvel {
namespace {

class PluginConnections final : public p2p::PeerDirectory,
                                public p2p::ConnectionTelling,
                                public p2p::FileProcedures,
                                public p2p::OwnSendsOnward {
 public:
  explicit PluginConnections(PluginParts& plugin)
      : plugin_(plugin),
        services_{*this,
                  *this,
                  *this,
                  *this,
                  plugin.connections,
                  plugin.transfers,
                  plugin.callBacks,
                  plugin.foreignCallBacks,
                  &platform::TickCount,
                  p2p::kConnectionLimits,
                  nullptr,
                  nullptr} {}
  p2p::ConnectionServices& Services() { return services_; }

  p2p::PeerAddress PeerAddressOf(uint32_t uin) override {
    return gg::LookupPeerAddressIn(plugin_.users, uin);
  }
  std::string PeerName(uint32_t uin) override { return gg::PeerDisplayName(plugin_.host, uin); }
  uint32_t OwnUin() override { return plugin_.ownUin.load(); }

  void Log(const std::string& line) override { plugin_.host.Log(line.c_str()); }
  // The box has a thread of its own: the connection's thread ends meanwhile.
  void TellUser(const transfers::Transfer& report) override {
    plugin_.notices.Tell(transfers::TransferNotice(report, PeerName(report.uin)));
  }
  void TellUnreached(const p2p::Unreached& unreached) override {
    plugin_.notices.Tell(p2p::UnreachedNotice(unreached, PeerName(unreached.uin)));
  }
  void SendPacket(std::span<const uint8_t> packet) override { plugin_.host.SendRawPacket(packet); }

  bool SendFile(p2p::PeerConnection& connection, transfers::TransferHandle& transfer,
                const transfers::FurtherFiles& further) override {
    return transfers::SendFile(plugin_.host, connection, transfer, further, &plugin_.sendLimit);
  }
  bool ReceiveFile(p2p::PeerConnection& connection, transfers::TransferHandle& transfer,
                   const transfers::OfferOrigin& origin) override {
    // Its log lines are said as the connection's are: none while unloading.
    transfers::AutoAccepting accepting{plugin_.autoAccept, origin, [this](const std::string& line) {
                                         p2p::Report(services_, line);
                                       }};
    return transfers::ReceiveFile(plugin_.host, plugin_.KeptPartsIfAny(), connection, transfer,
                                  origin, &plugin_.questionTurns,
                                  plugin_.autoAccept.On() ? &accepting : nullptr,
                                  &plugin_.receiveLimit);
  }

  void FallBack(p2p::ConnectionRequest& request, const std::string& failure) override {
    p2p::FallBack(request, failure);
  }
  void SendFurther(uint32_t uin, std::vector<std::string> paths) override {
    p2p::SendFurther(uin, std::move(paths), plugin_.sends, plugin_.connectionServices);
  }
  void ConnectionLeft(transfers::TransferId id) override { plugin_.sends.ConnectionLeft(id); }

 private:
  PluginParts& plugin_;
  p2p::ConnectionServices services_;
};

}  // namespace

std::shared_ptr<p2p::ConnectionServices> MakeConnectionServices(PluginParts& plugin) {
  auto bound = std::make_shared<PluginConnections>(plugin);
  // Shared by every connection thread; the binding lives as long as they do.
  return std::shared_ptr<p2p::ConnectionServices>(bound, &bound->Services());
}

}  // namespace kvel
