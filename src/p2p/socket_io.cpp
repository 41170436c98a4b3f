#include "p2p/socket_io.h"

#include "p2p/peer_waits.h"

namespace kvel::p2p {

int SocketRead(platform::Socket socket, void* buffer, int count) {
  PeerWaits* waits = PeerWaits::Of(socket);
  if (waits != nullptr && !waits->BeforeRead()) return -1;
  const int got = platform::ReceiveSome(socket, buffer, count);
  if (waits != nullptr) waits->AfterRead(buffer, got);
  return got;
}

int SocketWrite(platform::Socket socket, const void* data, int count) {
  return platform::SendSome(socket, data, count);
}

}  // namespace kvel::p2p
