#include "host/raw_packet.h"
#include "images/image_cache.h"
#include "images/image_exchange.h"
#include "platform/host_address.h"
#include "platform/sockets.h"
#include "plugin/host.h"
#include "plugin/plugin_context.h"
#include "plugin/production_edges.h"

namespace kvel {

const gg::HookEdges& ProductionHookEdges() {
  static const gg::HookEdges edges = [] {
    gg::HookEdges e;
    e.clearUsers = [] { ThePlugin().users.ClearUsers(); };
    e.setUser = [](uint32_t uin, uint32_t address, uint16_t port) {
      ThePlugin().users.SetUser(uin, address, port);
    };
    e.removeUser = [](uint32_t uin) { ThePlugin().users.RemoveUser(uin); };
    e.setOwnUin = [](uint32_t uin) { ThePlugin().ownUin.store(uin); };
    e.settings = [] { return ThePlugin().settings; };
    e.inetAddr = &platform::InetAddr;
    e.localHostAddresses = &platform::LocalHostAddresses;
    e.sendRawPacket = [](std::span<const uint8_t> packet) {
      host::SendRawPacket(ProcessHost(), packet);
    };
    e.startOutgoing = [](uint32_t uin, uint32_t code) {
      p2p::StartOutgoing(uin, code, ThePlugin().connectionServices);
    };
    e.isImageCached = [](uint32_t uin, uint32_t size, uint32_t checksum) {
      return images::IsImageCached(ThePlugin().dataPath, uin, size, checksum);
    };
    e.showReceivedImage = [](uint32_t uin, uint32_t size, uint32_t checksum) {
      images::ShowReceivedImage(ProcessHost(), ThePlugin().dataPath, uin, size, checksum);
    };
    e.requestImage = [](uint32_t uin, uint32_t size, uint32_t checksum) {
      images::RequestImage(ProcessHost(), uin, size, checksum);
    };
    e.answerImageRequest = [](uint32_t uin, uint32_t size, uint32_t checksum) {
      images::AnswerImageRequest(ProcessHost(), uin, size, checksum);
    };
    e.receiveImagePart = [](uint32_t uin, std::span<const uint8_t> reply) {
      return images::ReceiveImagePart(ThePlugin().dataPath, uin, reply);
    };
    return e;
  }();
  return edges;
}

}  // namespace kvel
