#include "images/image_exchange.h"

#include <string>
#include <string_view>

#include "common/file_name.h"
#include "images/image_cache.h"
#include "images/image_checksum.h"
#include "platform/files.h"
#include "wire/image_packets.h"

namespace kvel::images {

void SendImage(host::HostServices& services, PendingImages& pending, uint32_t ownUin, uint32_t uin,
               const char* path, uint32_t time) {
  if (path == nullptr) return;
  // Only the directory entry is read: a missing file is not created, and a
  // file without a size is not offered.
  std::optional<platform::FileInformation> info = platform::ReadFileInformation(path);
  if (!info) return;
  const wire::ImageId id{uin, static_cast<uint32_t>(info->size), ImageChecksum(path)};
  // Recorded before the offer leaves, so that a request that comes back at
  // once on another thread finds it.
  pending.Add(id, path);
  const auto offer = wire::EncodeImageOffer(id);
  services.SendRawPacket(offer);
  ShowSentImage(services, ownUin, uin, path, time);
}

void RequestImage(host::HostServices& services, RequestedImages& requested, uint32_t uin,
                  uint32_t size, uint32_t checksum) {
  const wire::ImageId id{uin, size, checksum};
  if (size == 0 || size > kMaxImageSize) return;
  if (!requested.Add(id)) return;  // asked already, not yet answered
  const auto request = wire::EncodeImageRequest(id);
  services.SendRawPacket(request);
}

void AnswerImageRequest(host::HostServices& services, PendingImages& pending, uint32_t uin,
                        uint32_t size, uint32_t checksum) {
  const wire::ImageId id{uin, size, checksum};
  // Taken before anything is sent: every offer is answered once.
  std::optional<std::string> path = pending.Take(id);
  if (!path) return;
  platform::FileHandle file = platform::OpenFileForReading(path->c_str());
  if (!file) return;
  const std::string_view name = FileNameOf(*path);
  uint8_t block[wire::kImageReplyMaxData];
  bool first = true;
  for (;;) {
    const size_t got = file.Read(block, sizeof block);
    if (got == 0) break;
    const std::vector<uint8_t> reply =
        wire::EncodeImageReply(id, first, name, std::span(block, got));
    services.SendRawPacket(reply);
    first = false;
  }
}

bool ReceiveImagePart(RequestedImages& requested, CacheTrust& trust, const std::string& directory,
                      uint32_t uin, const wire::ImageReplyPart& part) {
  const wire::ImageId id{uin, part.size, part.checksum};
  if (!requested.Contains(id)) return false;  // nobody asked for it
  switch (StoreImagePart(trust, directory, uin, part.size, part.checksum, part.first, part.data)) {
    case PartOutcome::Incomplete:
      requested.Renew(id);
      return false;
    case PartOutcome::Complete:
      requested.Take(id);
      return true;
    case PartOutcome::Discarded:
      // Asked for anew when it is announced again.
      requested.Take(id);
      return false;
  }
  return false;
}

}  // namespace kvel::images
