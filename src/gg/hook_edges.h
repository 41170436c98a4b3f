// Everything the protocol hook's dispatch reaches outside itself, as one set
// of callables. The plug-in binds the real functions (ProductionHookEdges);
// tests and the fuzzer bind recorders.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "common/settings.h"

namespace kvel::gg {

struct HookEdges {
  // UserDB.
  std::function<void()> clearUsers;
  std::function<void(uint32_t uin, uint32_t address, uint16_t port)> setUser;
  std::function<void(uint32_t uin)> removeUser;
  // Login.
  std::function<void(uint32_t uin)> setOwnUin;
  std::function<Settings()> settings;
  std::function<uint32_t(const char* dotted)> inetAddr;
  std::function<std::vector<uint32_t>()> localHostAddresses;
  // Takes the bytes before it returns.
  std::function<void(std::span<const uint8_t> packet)> sendRawPacket;
  // Direct connections.
  std::function<void(uint32_t uin, uint32_t directionCode)> startOutgoing;
  // Images.
  std::function<bool(uint32_t uin, uint32_t size, uint32_t checksum)> isImageCached;
  std::function<void(uint32_t uin, uint32_t size, uint32_t checksum)> showReceivedImage;
  std::function<void(uint32_t uin, uint32_t size, uint32_t checksum)> requestImage;
  std::function<void(uint32_t uin, uint32_t size, uint32_t checksum)> answerImageRequest;
  std::function<bool(uint32_t uin, std::span<const uint8_t> reply)> receiveImagePart;
};

}  // namespace kvel::gg
