#include "images/image_exchange.h"
#include "p2p/connection.h"
#include "plugin/host.h"
#include "plugin/plugin_context.h"
#include "plugin/production_bindings.h"

namespace kvel {

gg::PeerAddress ProductionCommands::LookupPeer(uint32_t uin) {
  return gg::LookupPeerAddressIn(ThePlugin().users, uin);
}

bool ProductionCommands::StartOutgoing(uint32_t uin, uint32_t directionCode) {
  return p2p::StartOutgoing(uin, directionCode, ThePlugin().connectionServices);
}

void ProductionCommands::ExpectCallBack(uint32_t uin) {
  ThePlugin().callBacks.Renew(uin);
}

void ProductionCommands::SendPacket(const uint8_t* packet, size_t length) {
  SendRawPacket(packet, length);
}

void ProductionCommands::ShowError(const char* text, const char* caption) {
  platform::ShowError(text, caption);
}

bool ProductionCommands::ChooseOpenFile(platform::FileDialog& dialog) {
  dialog.instance = PluginId();
  return platform::ChooseOpenFile(dialog);
}

void ProductionCommands::SendImage(uint32_t uin, const char* path) {
  Plugin& plugin = ThePlugin();
  images::SendImage(ProcessHost(), plugin.pendingImages, plugin.ownUin.load(), uin, path);
}

}  // namespace kvel
