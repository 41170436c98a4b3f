// The two halves of the file-transfer stream, over any connection:
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
#include <functional>
#include <string>
#include <vector>

#include "transfers/auto_acceptor.h"
#include "transfers/stream_connection.h"
#include "transfers/transfer_registry.h"
#include "transfers/transfer_side.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {

// How long the sender waits for the receiver to close after the last chunk.
inline constexpr uint32_t kDeliveryWaitMs = 30000;

// Both keep `transfer`'s record current: the file once it is known, the size
// and the start of the data once the peer took the offer, and every byte
// that went over. Neither ends the record.

// Receives a file offered by the transfer's contact: asks the user, saves
// where chosen. The data goes to a part file beside the chosen one, which
// takes the chosen file's place only when the last chunk has brought exactly
// the announced size. True only then. With `accepting`, a trusted contact's
// file is taken without the question, into the folder under a free name,
// and never put in place over another file; when it cannot be, it is asked
// as any other.
bool ReceiveStream(StreamConnection& connection, TransferSide& side, TransferHandle& transfer,
                   AutoAccepting* accepting = nullptr);

// Handed the files the user chose after the first, each to be offered over
// a connection of its own (the stream carries one file).
using FurtherFiles = std::function<void(std::vector<std::string> paths)>;

// Sends a file in chunks of 4096 bytes and a shorter last one, from the
// offset the receiver asked for: the rest of the file, one empty last chunk
// at its very end, nothing past it. The file is the one `transfer` names
// already (chosen with others earlier), else the user chooses it once the
// offer has started: one file, or with `further` several, of which the
// first goes here and the rest to `further` at once. True only when the
// last chunk has been sent whole and the receiver has closed the connection
// within kDeliveryWaitMs.
bool SendStream(StreamConnection& connection, TransferSide& side, TransferHandle& transfer,
                const FurtherFiles& further = nullptr);

// The size an offer announces, as the transfer counts it (a size past the
// largest signed 64-bit count is taken as that count).
int64_t AnnouncedSize(const wire::FileInfo& info);

}  // namespace kvel::transfers
