// A direct connection's socket as its connection thread serves it. Every read
// goes by the connection's waits (how long the peer may keep this side
// waiting, phase by phase), when it has them.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "p2p/connection/peer_waits.h"
#include "transfers/stream/stream_connection.h"
#include "platform/clock.h"
#include "platform/sockets.h"

namespace kvel::p2p {

class PeerConnection final : public transfers::StreamConnection {
 public:
  // Does not own `socket`; `waits` may be null (no limits) and must outlive
  // the object. The wait for the peer's close is measured on `clock`.
  PeerConnection(platform::Socket socket, PeerWaits* waits, platform::Clock clock)
      : socket_(socket), waits_(waits), clock_(std::move(clock)) {}

  // The socket this connection serves (it does not own it).
  platform::Socket Socket() const { return socket_; }
  // Runs `written` once, as the next write begins (the receiving side's
  // next write after the handshake is its answer to the offer).
  void BeforeNextWrite(std::function<void()> written) { beforeWrite_ = std::move(written); }

  // One receive: fewer bytes than asked is normal; 0 when the peer closed,
  // negative on error or when the peer took longer than its phase allows.
  int Read(void* buffer, int count) override;
  // One send: the count sent, negative on error.
  int Write(const void* data, int count) override;
  void ShutdownSend() override;
  bool WaitForPeerClose(uint32_t milliseconds) override;
  bool PeerGone() override { return platform::PeerClosed(socket_); }

 private:
  platform::Socket socket_;
  PeerWaits* waits_;
  platform::Clock clock_;
  std::function<void()> beforeWrite_;
};

}  // namespace kvel::p2p
