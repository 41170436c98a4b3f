#include "p2p/file_transfer.h"

#include "transfers/socket_transfer.h"
#include "transfers/transfer_stream.h"

namespace kvel::p2p {
using namespace transfers;

bool ReceiveFile(host::HostServices& services, transfers::TransferWindow& window, PeerConnection& connection,
                 uint32_t uin) {
  SocketTransferSide side(connection.Socket(), services, window);
  return ReceiveStream(connection, uin, side);
}

bool SendFile(host::HostServices& services, transfers::TransferWindow& window, PeerConnection& connection,
              uint32_t) {
  SocketTransferSide side(connection.Socket(), services, window);
  return SendStream(connection, side);
}

}  // namespace kvel::p2p
