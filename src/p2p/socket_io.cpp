#include "p2p/socket_io.h"

namespace kvel::p2p {

int SocketRead(platform::Socket socket, void* buffer, int count) {
  return platform::ReceiveSome(socket, buffer, count);
}

int SocketWrite(platform::Socket socket, const void* data, int count) {
  return platform::SendSome(socket, data, count);
}

}  // namespace kvel::p2p
