// What the protocol hook's dispatch reaches outside itself: one small seam
// per concern (the peer table, the login, direct connections, images). The
// plug-in binds them over its context (ProductionHook); tests and the
// fuzzer bind recorders or stand in for parts of them.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/settings.h"
#include "wire/image_option.h"

namespace kvel::gg {

// The peer table, as the GG server's status packets change it.
class PeerTableEdits {
 public:
  virtual void ClearUsers() = 0;
  virtual void SetUser(uint32_t uin, uint32_t address, uint16_t port) = 0;
  virtual void RemoveUser(uint32_t uin) = 0;

 protected:
  ~PeerTableEdits() = default;
};

// What the login's rewrite reads and sends.
class LoginServices {
 public:
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

 protected:
  ~LoginServices() = default;
};

// Direct connections the hook starts: a peer that asks to be called back.
class DirectConnections {
 public:
  virtual void StartOutgoing(uint32_t uin, uint32_t directionCode) = 0;

 protected:
  ~DirectConnections() = default;
};

// Images exchanged with `uin`, named by size and checksum.
class ImageTraffic {
 public:
  virtual bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  virtual void ShowReceivedImage(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  virtual void RequestImage(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  virtual void AnswerImageRequest(uint32_t uin, uint32_t size, uint32_t checksum) = 0;
  // One decoded reply from `uin`; its spans point into the hooked packet and
  // live for the call only. True when the image is now whole and cached.
  virtual bool ReceiveImagePart(uint32_t uin, const wire::ImageReplyPart& part) = 0;

 protected:
  ~ImageTraffic() = default;
};

// One object that binds all four seams (the product's, a test's recorder).
template <class T>
concept WholeHookServices =
    std::derived_from<T, PeerTableEdits> && std::derived_from<T, LoginServices> &&
    std::derived_from<T, DirectConnections> && std::derived_from<T, ImageTraffic>;

// The four seams one hook event may reach; all outlive the call.
struct HookServices {
  HookServices(PeerTableEdits& peers, LoginServices& login, DirectConnections& connections,
               ImageTraffic& images)
      : peers(peers), login(login), connections(connections), images(images) {}
  template <WholeHookServices Whole>
  HookServices(Whole& whole) : HookServices(whole, whole, whole, whole) {}

  PeerTableEdits& peers;
  LoginServices& login;
  DirectConnections& connections;
  ImageTraffic& images;
};

}  // namespace kvel::gg
