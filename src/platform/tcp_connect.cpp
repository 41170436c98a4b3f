#include "platform/tcp_connect.h"

namespace kvel::platform {

SocketHandle ConnectTcp(uint32_t address, uint16_t port, Error* error) {
  SocketHandle socket(CreateTcpSocket());
  if (!socket.Valid()) {
    if (error != nullptr) *error = Error{"socket", LastSocketError()};
    return socket;
  }
  if (!ConnectSocket(socket.Get(), address, port)) {
    // Read before the close, which may set a code of its own.
    if (error != nullptr) *error = Error{"connect", LastSocketError()};
    socket.Reset();
  }
  return socket;
}

}  // namespace kvel::platform
