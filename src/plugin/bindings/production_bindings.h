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
#include "p2p/connection/connection_services.h"
#include "p2p/connection/connection_thread.h"

namespace kvel {

struct PluginParts;

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

  void ClearUsers() override;
  void SetUser(uint32_t uin, uint32_t address, uint16_t port) override;
  void RemoveUser(uint32_t uin) override;
  void SetOwnUin(uint32_t uin) override;
  Settings CurrentSettings() override;
  uint32_t InetAddr(const char* dotted) override;
  std::vector<uint32_t> LocalHostAddresses() override;
  std::optional<RouterPort> MappedRouterPort() override;
  void SendRawPacket(std::span<const uint8_t> packet) override;
  void StartOutgoing(uint32_t uin, uint32_t directionCode) override;
  bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) override;
  void ShowReceivedImage(uint32_t uin, uint32_t size, uint32_t checksum) override;
  void RequestImage(uint32_t uin, uint32_t size, uint32_t checksum) override;
  void AnswerImageRequest(uint32_t uin, uint32_t size, uint32_t checksum) override;
  bool ReceiveImagePart(uint32_t uin, const wire::ImageReplyPart& part) override;

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

  gg::PeerAddress LookupPeer(uint32_t uin) override;
  bool StartOutgoing(uint32_t uin, uint32_t directionCode) override;
  void AskToCallBack(uint32_t uin) override;
  void ShowError(const char* text, const char* caption) override;
  bool ChooseOpenFile(platform::FileDialog& dialog) override;
  void SendImage(uint32_t uin, const char* path) override;

 protected:
  PluginParts& plugin_;
};

}  // namespace kvel
