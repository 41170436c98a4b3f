// What the menu commands reach outside themselves: the plug-in binds the peer
// table, the connection starter, the host, the platform's dialogs and the
// image exchange; tests bind recorders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gg/peer_address.h"
#include "platform/dialogs.h"

namespace kvel::gg {

class CommandServices {
 public:
  virtual PeerAddress LookupPeer(uint32_t uin) = 0;
  // Starts an outgoing connection (code 2: this user's send, shown as
  // waiting from now on, for its turn among the sends to `uin` or for the
  // connection); the result is not looked at.
  virtual bool StartOutgoing(uint32_t uin, uint32_t directionCode) = 0;
  // Begins this user's send to `uin`, shown as waiting for `uin` to call
  // back, which it may do with a code-3 connection for a while. True when
  // the request is to follow now; false when the send waits its turn among
  // the sends to `uin` (its request goes when the turn comes).
  virtual bool ExpectCallBack(uint32_t uin) = 0;
  // A whole GG packet through the host, which takes it before returning.
  virtual void SendPacket(const uint8_t* packet, size_t length) = 0;
  virtual void ShowError(const char* text, const char* caption) = 0;
  virtual bool ChooseOpenFile(platform::FileDialog& dialog) = 0;
  virtual void SendImage(uint32_t uin, const char* path) = 0;

 protected:
  ~CommandServices() = default;
};

}  // namespace kvel::gg
