#include "images/image_cache.h"
#include "images/image_exchange.h"
#include "platform/host_address.h"
#include "platform/sockets.h"
#include "platform/threads/threads.h"
#include "plugin/plugin_parts.h"
#include "plugin/bindings/production_bindings.h"

namespace kvel {

void ProductionHook::ClearUsers() {
  plugin_.users.ClearUsers();
}

void ProductionHook::SetUser(uint32_t uin, uint32_t address, uint16_t port) {
  plugin_.users.SetUser(uin, address, port);
}

void ProductionHook::RemoveUser(uint32_t uin) {
  plugin_.users.RemoveUser(uin);
}

void ProductionHook::SetOwnUin(uint32_t uin) {
  plugin_.ownUin.store(uin);
}

Settings ProductionHook::CurrentSettings() {
  return plugin_.settings;
}

uint32_t ProductionHook::InetAddr(const char* dotted) {
  return platform::InetAddr(dotted);
}

std::vector<uint32_t> ProductionHook::LocalHostAddresses() {
  return platform::LocalHostAddresses();
}

std::optional<gg::LoginServices::RouterPort> ProductionHook::MappedRouterPort() {
  const std::optional<router::Mapped> mapped = plugin_.portMapping.ForLogin();
  if (!mapped) return std::nullopt;
  return RouterPort{mapped->externalAddress, mapped->externalPort};
}

void ProductionHook::SendRawPacket(std::span<const uint8_t> packet) {
  plugin_.host.SendRawPacket(packet);
}

void ProductionHook::StartOutgoing(uint32_t uin, uint32_t directionCode) {
  p2p::StartOutgoing(uin, directionCode, plugin_.connectionServices);
}

bool ProductionHook::IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) {
  return images::IsImageCached(plugin_.cacheTrust, plugin_.dataPath, uin, size, checksum);
}

void ProductionHook::ShowReceivedImage(uint32_t uin, uint32_t size, uint32_t checksum) {
  images::ShowReceivedImage(plugin_.host, plugin_.dataPath, uin, size, checksum,
                            platform::UnixTime());
}

void ProductionHook::RequestImage(uint32_t uin, uint32_t size, uint32_t checksum) {
  images::RequestImage(plugin_.host, plugin_.requestedImages, uin, size, checksum);
}

void ProductionHook::AnswerImageRequest(uint32_t uin, uint32_t size, uint32_t checksum) {
  images::AnswerImageRequest(plugin_.host, plugin_.pendingImages, uin, size, checksum);
}

bool ProductionHook::ReceiveImagePart(uint32_t uin, const wire::ImageReplyPart& part) {
  return images::ReceiveImagePart(plugin_.requestedImages, plugin_.cacheTrust, plugin_.dataPath,
                                  uin, part);
}

}  // namespace kvel
