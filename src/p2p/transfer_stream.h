// The two halves of the file-transfer stream, over any connection:
//
//   S -> R  OfferStart (1), at once
//   S -> R  OfferInfo (3), 0, 0, the 320-byte file description (after S's
//           user has chosen the file)
//   R -> S  the reply {6 accept | 7 refuse, 0, 0} (when R's user answered)
//   S -> R  chunk header {3 more | 2 last, length, 0} and its data, again
//           until the last chunk and its data
//
// Nothing follows the last chunk; the caller closes the connection.
#pragma once

#include <cstdint>

#include "p2p/stream_connection.h"
#include "p2p/transfer_side.h"

namespace kvel::p2p {

// Receives a file offered by `uin`: asks the user, saves where chosen. True
// only when the last chunk and its data are in the file and it is closed.
bool ReceiveStream(StreamConnection& connection, uint32_t uin, TransferSide& side);

// Sends a file the user chooses in chunks of 4096 bytes and a shorter last
// one. True only when the last chunk has been sent whole.
bool SendStream(StreamConnection& connection, TransferSide& side);

}  // namespace kvel::p2p
