// The receiving half of the file-transfer stream. Both halves, over any
// connection:
//
//   S -> R  OfferStart (1), at once
//   S -> R  OfferInfo (3), 0, 0, the 320-byte file description (after S's
//           user has chosen the file)
//   R -> S  the reply {6 accept | 7 refuse, offset, 0} (when R's user
//           answered); an acceptance asks for the file from `offset` on
//   S -> R  chunk header {3 more | 2 last, length, 0} and its data, again
//           until the last chunk and its data
//
// Nothing follows the last chunk. The receiver's caller then closes the
// connection; the sender shuts its sending side down and waits for that
// close, so that it knows the last data arrived.
#pragma once

#include <cstdint>

#include "transfers/auto_accept/auto_acceptor.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/side/transfer_side.h"
#include "transfers/stream/stream_connection.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {

// Receives a file offered by the transfer's contact: asks the user, saves
// where chosen. The data goes to a part file beside the chosen one, which
// takes the chosen file's place only when the last chunk has brought exactly
// the announced size. True only then. With `accepting`, a trusted contact's
// file is taken without asking, into the folder under a free name,
// and never put in place over another file; when it cannot be, it is asked
// as any other. Keeps `transfer`'s record current (the file once known, the
// size and the data's start once the peer took the offer, every byte that
// went over) but does not end it.
bool ReceiveStream(StreamConnection& connection, TransferSide side, TransferHandle& transfer,
                   AutoAccepting* accepting = nullptr);

// The size an offer announces, as the transfer counts it (a size past the
// largest signed 64-bit count is taken as that count).
int64_t AnnouncedSize(const wire::FileInfo& info);

}  // namespace kvel::transfers
