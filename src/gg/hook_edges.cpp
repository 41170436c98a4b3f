#include "gg/hook_edges.h"

#include "gg/own_uin.h"
#include "gg/user_db.h"
#include "images/image_cache.h"
#include "images/image_exchange.h"
#include "p2p/connection.h"
#include "platform/host_address.h"
#include "platform/sockets.h"
#include "plugin/host.h"

namespace kvel::gg {

const HookEdges& ProductionHookEdges() {
  static const HookEdges edges = [] {
    HookEdges e;
    e.clearUsers = [] { ProcessUserDB().ClearUsers(); };
    e.setUser = [](uint32_t uin, uint32_t address, uint16_t port) {
      ProcessUserDB().SetUser(uin, address, port);
    };
    e.removeUser = [](uint32_t uin) { ProcessUserDB().RemoveUser(uin); };
    e.setOwnUin = &SetOwnUin;
    e.settings = [] { return CurrentSettings(); };
    e.inetAddr = &platform::InetAddr;
    e.localHostAddresses = &platform::LocalHostAddresses;
    e.sendRawPacket = [](std::span<const uint8_t> packet) {
      SendRawPacket(packet.data(), packet.size());
    };
    e.startOutgoing = [](uint32_t uin, uint32_t code) { p2p::StartOutgoing(uin, code); };
    e.isImageCached = &images::IsImageCached;
    e.showReceivedImage = &images::ShowReceivedImage;
    e.requestImage = &images::RequestImage;
    e.answerImageRequest = &images::AnswerImageRequest;
    e.receiveImagePart = &images::ReceiveImagePart;
    return e;
  }();
  return edges;
}

}  // namespace kvel::gg
