// Images inside GG messages: offers, requests and replies, and the chat
// messages that show them. Runs on the host's threads; starts no thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "host/host_services.h"

namespace kvel::images {

// Offers the picture at `path` to `uin` and shows it in the user's chat window
// as sent by `ownUin`, the user's own number.
// A file whose size cannot be read is neither offered nor shown.
void SendImage(host::HostServices& services, uint32_t ownUin, uint32_t uin, const char* path);
// Asks `uin` for the image it announced, unless it is still awaited from an
// earlier request, is empty or is larger than this side assembles.
void RequestImage(host::HostServices& services, uint32_t uin, uint32_t size, uint32_t checksum);
// Answers a request from `uin` for an image this side offered; once per offer.
// The file goes out in replies of up to 1024 bytes; an empty file sends none.
void AnswerImageRequest(host::HostServices& services, uint32_t uin, uint32_t size,
                        uint32_t checksum);
// Stores one reply from `uin` in the cache in `directory`. `reply` runs from the marker byte (0x05
// or 0x06) to the end of the message payload. True when the image is whole and cached; false,
// storing nothing, for an image that was not asked for and for bytes too short to name an image or
// not a reply. An image that turns out wrong is discarded and no longer awaited.
bool ReceiveImagePart(const std::string& directory, uint32_t uin, std::span<const uint8_t> reply);
// Shows a received image, cached in `directory`, in the chat window of `uin`.
void ShowReceivedImage(host::HostServices& services, const std::string& directory, uint32_t uin,
                       uint32_t size, uint32_t checksum);
// Shows an image the user (number `ownUin`) sent to `uin`.
void ShowSentImage(host::HostServices& services, uint32_t ownUin, uint32_t uin, const char* path);

}  // namespace kvel::images
