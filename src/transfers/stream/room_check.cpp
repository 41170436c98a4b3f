#include "transfers/stream/room_check.h"

#include <algorithm>

#include "common/file_name.h"
#include "transfers/kept/kept_parts.h"

namespace kvel::transfers {
std::optional<RoomShortfall> JudgeRoom(int64_t size, int64_t kept, std::optional<uint64_t> free) {
  if (!free) return std::nullopt;
  const uint64_t rest =
      static_cast<uint64_t>(std::max<int64_t>(size - std::max<int64_t>(kept, 0), 0));
  const uint64_t needed =
      rest > UINT64_MAX - kRoomMarginBytes ? UINT64_MAX : rest + kRoomMarginBytes;
  if (needed <= *free) return std::nullopt;
  return RoomShortfall{needed, *free};
}

std::optional<RoomShortfall> LackOfRoom(TransferSide side, std::unique_ptr<PartWriter>& writer,
                                        const OfferedFile& offer) {
  // The target's folder with its separator; empty for a bare name.
  const std::string folder =
      offer.target.substr(0, offer.target.size() - FileNameOf(offer.target).size());
  const std::optional<RoomShortfall> lack =
      JudgeRoom(offer.size, writer->Offset(),
                side.folders.FreeSpace(folder.empty() ? nullptr : folder.c_str()));
  if (!lack) return std::nullopt;
  if (const ResumablePart* waiting = writer->Waiting(); waiting != nullptr && side.kept != nullptr)
    side.kept->Add(waiting->record, side.files);
  writer.reset();
  return lack;
}

std::string NoRoomReason(const RoomShortfall& room, const std::string& folder) {
  return "no-room needed=" + std::to_string(room.needed) + " free=" + std::to_string(room.free) +
         " folder=" + folder;
}

}  // namespace kvel::transfers
