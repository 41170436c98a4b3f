// Images inside GG messages: offers, requests and replies, and the chat
// messages that show them. Runs on the host's threads; starts no thread.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_services.h"
#include "images/cache_trust.h"
#include "images/pending_images.h"
#include "images/requested_images.h"
#include "wire/image_option.h"

namespace kvel::images {

// Offers the picture at `path` to `uin`, lists it in `pending` until the peer
// asks for it, and shows it in the user's chat window as sent by `ownUin`, the
// user's own number, at `time` (seconds since 1970). A file whose size cannot
// be read is neither offered nor shown.
void SendImage(host::HostServices& services, PendingImages& pending, uint32_t ownUin, uint32_t uin,
               const char* path, uint32_t time);
// Asks `uin` for the image it announced and lists it in `requested`, unless it
// is listed there already, is empty or is larger than this side assembles.
void RequestImage(host::HostServices& services, RequestedImages& requested, uint32_t uin,
                  uint32_t size, uint32_t checksum);
// Answers a request from `uin` for an image listed in `pending`; once per
// offer. The file goes out in replies of up to 1024 bytes; an empty file
// sends none.
void AnswerImageRequest(host::HostServices& services, PendingImages& pending, uint32_t uin,
                        uint32_t size, uint32_t checksum);
// Stores one decoded reply from `uin` in the cache in `directory`, whose
// files `trust` knows. True when the image is whole and cached; false,
// storing nothing, for an image not listed in `requested`. An image that
// turns out wrong is discarded and no longer awaited.
bool ReceiveImagePart(RequestedImages& requested, CacheTrust& trust, const std::string& directory,
                      uint32_t uin, const wire::ImageReplyPart& part);
// Shows a received image, cached in `directory`, in the chat window of `uin`,
// as come at `time` (seconds since 1970).
void ShowReceivedImage(host::HostServices& services, const std::string& directory, uint32_t uin,
                       uint32_t size, uint32_t checksum, uint32_t time);
// Shows an image the user (number `ownUin`) sent to `uin` at `time`.
void ShowSentImage(host::HostServices& services, uint32_t ownUin, uint32_t uin, const char* path,
                   uint32_t time);

}  // namespace kvel::images
