// HookServices: everything the protocol hook's dispatch reaches outside
// itself. The plug-in implements it over its context (ProductionHook); tests
// and the fuzzer implement recorders or stand in for parts of it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/settings.h"
#include "wire/image_option.h"

namespace kvel::gg {

class HookServices {
 public:
  // The peer table.
  virtual void ClearUsers() = 0;
  virtual void SetUser(uint32_t uin, uint32_t address, uint16_t port) = 0;
  virtual void RemoveUser(uint32_t uin) = 0;

  // Login.
  virtual void SetOwnUin(uint32_t uin) = 0;
  virtual Settings CurrentSettings() = 0;
  // The address written in dotted form; 0xFFFFFFFF when it is none.
  virtual uint32_t InetAddr(const char* dotted) = 0;
  virtual std::vector<uint32_t> LocalHostAddresses() = 0;
  // The router's external address and the port it maps to this machine,
  // which the login announces; nullopt when no mapping is to be announced
  // (none made, or the port forwarded by hand).
  struct RouterPort {
    uint32_t address = 0;  // network byte order
    uint16_t port = 0;
  };
  virtual std::optional<RouterPort> MappedRouterPort() = 0;
  // A whole GG packet through the host, which takes the bytes before it returns.
  virtual void SendRawPacket(std::span<const uint8_t> packet) = 0;

  // Direct connections.
  virtual void StartOutgoing(uint32_t uin, uint32_t directionCode) = 0;

  // Images exchanged with `uin`, named by size and checksum.
  virtual bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  virtual void ShowReceivedImage(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  virtual void RequestImage(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  virtual void AnswerImageRequest(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  // One decoded reply from `uin`; its spans point into the hooked packet and
  // live for the call only. True when the image is now whole and cached.
  virtual bool ReceiveImagePart(uint32_t uin, const wire::ImageReplyPart& part) = 0;

 protected:
  ~HookServices() = default;
};

}  // namespace kvel::gg
