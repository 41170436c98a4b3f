// The two halves of the file-transfer stream that follows the handshake.
#pragma once

#include <cstdint>

#include "host/host_services.h"
#include "transfers/transfer_window.h"
#include "p2p/peer_connection.h"

namespace kvel::p2p {

// Receives a file offered by `uin`: asks the user (naming `uin` as the
// contact list of `services` does), saves where chosen, and shows the file
// and progress in the row of the connection's socket in `window`.
// True only when the last chunk and its data have been received and written.
bool ReceiveFile(host::HostServices& services, transfers::TransferWindow& window, PeerConnection& connection,
                 uint32_t uin);
// Sends a file the user chooses. True only when the last chunk has been sent.
bool SendFile(host::HostServices& services, transfers::TransferWindow& window, PeerConnection& connection,
              uint32_t uin);

}  // namespace kvel::p2p
