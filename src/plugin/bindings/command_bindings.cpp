#include "images/image_exchange.h"
#include "p2p/connection/connection_services.h"
#include "p2p/connection/connection_thread.h"
#include "p2p/reach/own_sends.h"
#include "platform/threads/threads.h"
#include "plugin/plugin_parts.h"
#include "plugin/bindings/production_bindings.h"
#include "wire/handshake.h"

namespace kvel {

gg::PeerAddress ProductionCommands::LookupPeer(uint32_t uin) {
  return gg::LookupPeerAddressIn(plugin_.users, uin);
}

bool ProductionCommands::StartOutgoing(uint32_t uin, uint32_t directionCode) {
  if (directionCode == wire::kPushCode)
    return p2p::StartSend(uin, plugin_.sends, plugin_.connectionServices);
  return p2p::StartOutgoing(uin, directionCode, plugin_.connectionServices);
}

void ProductionCommands::AskToCallBack(uint32_t uin) {
  p2p::AwaitCallBack(uin, plugin_.sends, *plugin_.connectionServices);
}

void ProductionCommands::ShowError(const char* text, const char* caption) {
  platform::ShowError(text, caption);
}

bool ProductionCommands::ChooseOpenFile(platform::FileDialog& dialog) {
  dialog.instance = plugin_.host.Module();
  return platform::ChooseOpenFile(dialog);
}

void ProductionCommands::SendImage(uint32_t uin, const char* path) {
  images::SendImage(plugin_.host, plugin_.pendingImages, plugin_.ownUin.load(), uin, path,
                    platform::UnixTime());
}

}  // namespace kvel
