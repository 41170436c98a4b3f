// What the menu commands reach outside themselves: the plug-in binds the peer
// table, the connection starter, the host, the platform's dialogs and the
// image exchange; tests bind recorders.
#pragma once

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
  // back, which it may do with a code-3 connection for a while, and asks it
  // to by GG message: now, or when the send's turn among the sends to `uin`
  // comes.
  virtual void AskToCallBack(uint32_t uin) = 0;
  virtual void ShowError(const char* text, const char* caption) = 0;
  virtual bool ChooseOpenFile(platform::FileDialog& dialog) = 0;
  virtual void SendImage(uint32_t uin, const char* path) = 0;

 protected:
  ~CommandServices() = default;
};

}  // namespace kvel::gg
