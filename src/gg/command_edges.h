// What the menu commands reach outside themselves, as callables: the plug-in
// binds the peer table, the connection starter, the host, the platform's
// dialogs and the image exchange; tests bind recorders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "gg/peer_address.h"
#include "platform/dialogs.h"

namespace kvel::gg {

struct CommandEdges {
  std::function<PeerAddress(uint32_t uin)> lookupPeer;
  // Starts an outgoing connection; the result is not looked at.
  std::function<bool(uint32_t uin, uint32_t directionCode)> startOutgoing;
  // Notes that this user asked `uin` for a call-back, which it may answer
  // with a code-3 connection for a while.
  std::function<void(uint32_t uin)> expectCallBack;
  // A whole GG packet through the host, which takes it before returning.
  std::function<void(const uint8_t* packet, size_t length)> sendPacket;
  std::function<void(const char* text, const char* caption)> showError;
  std::function<bool(platform::FileDialog& dialog)> chooseOpenFile;
  std::function<void(uint32_t uin, const char* path)> sendImage;
};

}  // namespace kvel::gg
