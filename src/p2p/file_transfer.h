// The two halves of the file-transfer stream that follows the handshake.
#pragma once

#include <cstdint>

#include "host/host_services.h"
#include "platform/sockets.h"

namespace kvel::p2p {

// Receives a file offered by `uin`: asks the user (naming `uin` as the
// contact list of `services` does), saves where chosen.
// True only when the last chunk and its data have been received and written.
bool ReceiveFile(host::HostServices& services, platform::Socket socket, uint32_t uin);
// Sends a file the user chooses. True only when the last chunk has been sent.
bool SendFile(host::HostServices& services, platform::Socket socket, uint32_t uin);

}  // namespace kvel::p2p
