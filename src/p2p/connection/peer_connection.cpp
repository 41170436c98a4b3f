#include "p2p/connection/peer_connection.h"

#include <utility>

namespace kvel::p2p {

int PeerConnection::Read(void* buffer, int count) {
  if (waits_ != nullptr && !waits_->BeforeRead()) return -1;
  const int got = platform::ReceiveSome(socket_, buffer, count);
  if (waits_ != nullptr) waits_->AfterRead(buffer, got);
  return got;
}

int PeerConnection::Write(const void* data, int count) {
  if (beforeWrite_) std::exchange(beforeWrite_, nullptr)();
  return platform::SendSome(socket_, data, count);
}

void PeerConnection::ShutdownSend() {
  platform::ShutdownSend(socket_);
}

bool PeerConnection::WaitForPeerClose(uint32_t milliseconds) {
  const platform::Deadline end(clock_, milliseconds);
  char dropped[4096];
  for (;;) {
    const uint32_t left = end.LeftMs();
    if (left == 0) return false;
    if (platform::WaitReadable(socket_, left) <= 0) return false;
    const int got = Read(dropped, sizeof dropped);
    if (got <= 0) return got == 0;
  }
}

}  // namespace kvel::p2p
