// The product's bindings of what the logic reaches outside itself: the
// process's host, peer table, settings, connections, dialogs and images.
#pragma once

#include <memory>

#include "gg/command_services.h"
#include "gg/hook_edges.h"
#include "p2p/connection.h"

namespace kvel {

class Plugin;

// What connection threads reach of `plugin` (which outlives every connection
// thread): the peer table, the user's own number, the awaited call-backs,
// the transfer window, the host's log and the two file procedures.
std::shared_ptr<p2p::ConnectionServices> MakeConnectionServices(Plugin& plugin);
// The process UserDB, the user's own number, the settings, the platform's addresses, the
// host's raw send, connections and the image exchange.
const gg::HookEdges& ProductionHookEdges();
// The menu commands over the context's peer table, p2p::StartOutgoing,
// the awaited call-backs, the host's raw send, platform::ShowError,
// platform::ChooseOpenFile and images::SendImage. Open, so that a test can
// stand in for some of them.
class ProductionCommands : public gg::CommandServices {
 public:
  gg::PeerAddress LookupPeer(uint32_t uin) override;
  bool StartOutgoing(uint32_t uin, uint32_t directionCode) override;
  void ExpectCallBack(uint32_t uin) override;
  void SendPacket(const uint8_t* packet, size_t length) override;
  void ShowError(const char* text, const char* caption) override;
  bool ChooseOpenFile(platform::FileDialog& dialog) override;
  void SendImage(uint32_t uin, const char* path) override;
};

}  // namespace kvel
