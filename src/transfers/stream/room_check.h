// Whether a received file fits where its part is written: what is still to
// come (the announced size less what a kept part already holds) and a small
// margin, against the bytes free on the folder's volume, asked once for the
// part before the answer goes. A file that does not fit is refused before a
// byte of it comes, rather than failing near its end; space that others take
// meanwhile still ends the transfer as a failure to write.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "transfers/kept/kept_rules.h"
#include "transfers/kept/part_writer.h"
#include "transfers/registry/transfer.h"
#include "transfers/side/transfer_side.h"

namespace kvel::transfers {

// Room left beyond the file: the part's record and what the file system
// spends on the file's own blocks.
inline constexpr uint64_t kRoomMarginBytes = 1 << 20;

// What `size` bytes less the `kept` ones already on disk need with the
// margin, against `free`: nothing when that fits, or when `free` is unknown.
std::optional<RoomShortfall> JudgeRoom(int64_t size, int64_t kept, std::optional<uint64_t> free);

// Asks `side`'s folders for the room in the folder of `offer`'s target, where the
// part lies, and judges `offer` by it, the data to start at the writer's
// offset. When it does not fit, the writer's part is given up as it was
// found: a new one removed, a kept one listed again, untouched, so that a
// later offer finds it.
std::optional<RoomShortfall> LackOfRoom(TransferSide side, std::unique_ptr<PartWriter>& writer,
                                        const OfferedFile& offer);

// The log's reason: "no-room needed=N free=N folder=F", in bytes.
std::string NoRoomReason(const RoomShortfall& room, const std::string& folder);

}  // namespace kvel::transfers
