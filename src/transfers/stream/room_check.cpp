#include "transfers/stream/room_check.h"

#include <algorithm>

#include "transfers/kept/kept_parts.h"

namespace kvel::transfers {
namespace {

// The folder of `path` with its separator; empty for a bare name.
std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

}  // namespace

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
  const std::string folder = FolderOf(offer.target);
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
