// The sending half of the file-transfer stream (its shape: receive_stream.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transfers/registry/transfer_registry.h"
#include "transfers/side/transfer_side.h"
#include "transfers/stream/stream_connection.h"

namespace kvel::transfers {

// How long the sender waits for the receiver to close after the last chunk.
inline constexpr uint32_t kDeliveryWaitMs = 30000;

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
// within kDeliveryWaitMs. Of `side` it asks the user and reads the file;
// `transfer`'s record it keeps current as ReceiveStream does.
bool SendStream(StreamConnection& connection, TransferSide side, TransferHandle& transfer,
                const FurtherFiles& further = nullptr);

}  // namespace kvel::transfers
