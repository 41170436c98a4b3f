// The product's bindings of what the logic reaches outside itself, each over
// the parts of one Plugin context: its host, peer table, settings,
// connections, dialogs and images.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "gg/command_services.h"
#include "gg/hook_services.h"
#include "images/image_cache.h"
#include "images/image_exchange.h"
#include "p2p/connection/connection_services.h"
#include "p2p/connection/connection_thread.h"
#include "p2p/reach/own_sends.h"
#include "platform/host_address.h"
#include "platform/sockets.h"
#include "platform/threads/threads.h"
#include "plugin/plugin_parts.h"
#include "wire/handshake.h"

namespace kvel {

// What connection threads reach of `parts` (which outlive every connection
// thread): the peer table, the user's own number, the awaited call-backs,
// the transfers registry, the host's log and contact list and the two file
// procedures.
std::shared_ptr<p2p::ConnectionServices> MakeConnectionServices(PluginParts& parts);

// Starts the parts' mapping of its listening port on the router, unless the
// settings turn it off or forward the port by hand, or the build has no
// UPnP (the log then says so).
void StartPortMapping(PluginParts& parts);

// The protocol hook's four seams over one context's parts (its host, peer
// table, own number, settings, data directory and image tables), the
// platform's addresses, p2p::StartOutgoing and the image exchange. Open, so
// that the fuzzer can stand in for some of them.
class ProductionHook : public gg::PeerTableEdits,
                       public gg::LoginServices,
                       public gg::DirectConnections,
                       public gg::ImageTraffic {
 public:
  explicit ProductionHook(PluginParts& parts) : plugin_(parts) {}

  void ClearUsers() override { plugin_.users.ClearUsers(); }
  void SetUser(uint32_t uin, uint32_t address, uint16_t port) override {
    plugin_.users.SetUser(uin, address, port);
  }
  void RemoveUser(uint32_t uin) override { plugin_.users.RemoveUser(uin); }
  void SetOwnUin(uint32_t uin) override { plugin_.ownUin.store(uin); }
  Settings CurrentSettings() override { return plugin_.settings; }
  uint32_t InetAddr(const char* dotted) override { return platform::InetAddr(dotted); }
  std::vector<uint32_t> LocalHostAddresses() override { return platform::LocalHostAddresses(); }
  std::optional<RouterPort> MappedRouterPort() override {
    const std::optional<router::Mapped> mapped = plugin_.portMapping.ForLogin();
    if (!mapped) return std::nullopt;
    return RouterPort{mapped->externalAddress, mapped->externalPort};
  }
  void SendRawPacket(std::span<const uint8_t> packet) override {
    plugin_.host.SendRawPacket(packet);
  }
  void StartOutgoing(uint32_t uin, uint32_t directionCode) override {
    p2p::StartOutgoing(uin, directionCode, plugin_.connectionServices);
  }
  bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) override {
    return images::IsImageCached(plugin_.cacheTrust, plugin_.dataPath, uin, size, checksum);
  }
  void ShowReceivedImage(uint32_t uin, uint32_t size, uint32_t checksum) override {
    images::ShowReceivedImage(plugin_.host, plugin_.dataPath, uin, size, checksum,
                              platform::UnixTime());
  }
  void RequestImage(uint32_t uin, uint32_t size, uint32_t checksum) override {
    images::RequestImage(plugin_.host, plugin_.requestedImages, uin, size, checksum);
  }
  void AnswerImageRequest(uint32_t uin, uint32_t size, uint32_t checksum) override {
    images::AnswerImageRequest(plugin_.host, plugin_.pendingImages, uin, size, checksum);
  }
  bool ReceiveImagePart(uint32_t uin, const wire::ImageReplyPart& part) override {
    return images::ReceiveImagePart(plugin_.requestedImages, plugin_.cacheTrust, plugin_.dataPath,
                                    uin, part);
  }

 protected:
  PluginParts& plugin_;
};

// The menu commands over one context's parts (its peer table, awaited
// call-backs, host and offered images), p2p::StartOutgoing,
// platform::ShowError, platform::ChooseOpenFile and images::SendImage. Open,
// so that a test can stand in for some of them.
class ProductionCommands : public gg::CommandServices {
 public:
  explicit ProductionCommands(PluginParts& parts) : plugin_(parts) {}

  gg::PeerAddress LookupPeer(uint32_t uin) override {
    return gg::LookupPeerAddressIn(plugin_.users, uin);
  }
  bool StartOutgoing(uint32_t uin, uint32_t directionCode) override {
    if (directionCode == wire::kPushCode)
      return p2p::StartSend(uin, plugin_.sends, plugin_.connectionServices);
    return p2p::StartOutgoing(uin, directionCode, plugin_.connectionServices);
  }
  void AskToCallBack(uint32_t uin) override {
    p2p::AwaitCallBack(uin, plugin_.sends, *plugin_.connectionServices);
  }
  void ShowError(const char* text, const char* caption) override {
    platform::ShowError(text, caption);
  }
  bool ChooseOpenFile(platform::FileDialog& dialog) override {
    dialog.instance = plugin_.host.Module();
    return platform::ChooseOpenFile(dialog);
  }
  void SendImage(uint32_t uin, const char* path) override {
    images::SendImage(plugin_.host, plugin_.pendingImages, plugin_.ownUin.load(), uin, path,
                      platform::UnixTime());
  }

 protected:
  PluginParts& plugin_;
};

}  // namespace kvel
