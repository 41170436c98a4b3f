#include "p2p/file_transfer.h"

#include "p2p/socket_transfer.h"
#include "p2p/transfer_stream.h"

namespace kvel::p2p {

bool ReceiveFile(host::HostServices& services, TransferWindow& window, PeerConnection& connection,
                 uint32_t uin) {
  SocketTransferSide side(connection.Socket(), services, window);
  return ReceiveStream(connection, uin, side);
}

bool SendFile(host::HostServices& services, TransferWindow& window, PeerConnection& connection,
              uint32_t) {
  SocketTransferSide side(connection.Socket(), services, window);
  return SendStream(connection, side);
}

}  // namespace kvel::p2p
