#include "p2p/file_transfer.h"

#include "p2p/socket_transfer.h"
#include "p2p/transfer_stream.h"

namespace kvel::p2p {

bool ReceiveFile(host::HostServices& services, platform::Socket socket, uint32_t uin) {
  SocketConnection connection(socket);
  SocketTransferSide side(socket, services);
  return ReceiveStream(connection, uin, side);
}

bool SendFile(host::HostServices& services, platform::Socket socket, uint32_t) {
  SocketConnection connection(socket);
  SocketTransferSide side(socket, services);
  return SendStream(connection, side);
}

}  // namespace kvel::p2p
