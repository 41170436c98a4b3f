#include "gg/hook_dispatch.h"

#include <algorithm>
#include <vector>

#include "gg/local_address.h"
#include "wire/gg_packet.h"
#include "wire/image_option.h"
#include "wire/login_packet.h"
#include "wire/received_message.h"
#include "wire/rich_text.h"
#include "wire/status_entry.h"

namespace kvel::gg {
namespace {

constexpr uint32_t kCallBackDirection = 3;  // the peer asked us to call and pull
constexpr uint8_t kCallBackText = 2;

// Sends a copy of the login that announces this machine's address, the
// listening port and the external address and port; the host's own packet is
// then dropped.
int32_t RewriteLogin(std::span<const uint8_t> packet, HookServices& services) {
  std::optional<LoginFields> fields = DecodeLogin(packet);
  if (!fields || fields->localAddress != 0) return kPassOn;

  uint32_t address = services.InetAddr(kLocalAddress);
  if (address == 0) address = ChooseLocalAddress(services.LocalHostAddresses());
  const Settings settings = services.CurrentSettings();

  std::vector<uint8_t> copy(packet.begin(), packet.end());
  fields->localAddress = address;
  fields->localPort = settings.localPort;
  fields->externAddress = services.InetAddr(settings.externIp);
  fields->externPort = settings.externPort;
  EncodeLoginAddresses(copy, *fields);
  services.SendRawPacket(copy);
  return kTakenOver;
}

int32_t HandleLogin(std::span<const uint8_t> packet, HookServices& services) {
  if (std::optional<uint32_t> uin = DecodeLoginUin(packet)) services.SetOwnUin(*uin);
  return RewriteLogin(packet, services);
}

// The message's images, each once, in order of appearance, at most
// kMaxImagesPerMessage of them.
std::vector<ImageMark> DistinctImages(const std::vector<ImageMark>& marks) {
  std::vector<ImageMark> distinct;
  for (const ImageMark& mark : marks) {
    if (distinct.size() == kMaxImagesPerMessage) break;
    if (std::find(distinct.begin(), distinct.end(), mark) == distinct.end())
      distinct.push_back(mark);
  }
  return distinct;
}

int32_t HandleChatImages(const ReceivedMessage& message, HookServices& services) {
  for (const ImageMark& mark : DistinctImages(RichTextImageMarks(message.attributes))) {
    if (services.IsImageCached(message.sender, mark.size, mark.checksum)) {
      services.ShowReceivedImage(message.sender, mark.size, mark.checksum);
    } else {
      services.RequestImage(message.sender, mark.size, mark.checksum);
    }
  }
  // An image-only message has nothing left for the host to show.
  return message.EmptyText() ? kTakenOver : kPassOn;
}

int32_t HandleImageControl(const ReceivedMessage& message, HookServices& services) {
  std::optional<ImageOption> option = DecodeImageOption(message.attributes);
  if (!option) return kPassOn;
  const uint32_t sender = message.sender;
  if (option->kind == kImageRequest) {
    services.AnswerImageRequest(sender, option->size, option->checksum);
    return kTakenOver;
  }
  // The reply is read here, once; the image side takes the decoded part.
  std::optional<ImageReplyPart> part = DecodeImageReply(*option);
  if (!part) return kPassOn;
  if (services.ReceiveImagePart(sender, *part)) {
    services.ShowReceivedImage(sender, part->size, part->checksum);
  }
  return kTakenOver;
}

int32_t HandleMessage(std::span<const uint8_t> payload, HookServices& services) {
  std::optional<ReceivedMessage> message = DecodeReceivedMessage(payload);
  if (!message) return kPassOn;
  switch (message->messageClass) {
    case kClassCallBack:
      if (message->text.empty() || message->text[0] != kCallBackText) return kPassOn;
      services.StartOutgoing(message->sender, kCallBackDirection);
      return kTakenOver;
    case kClassChat:
      if (!IsRichText(message->attributes)) return kPassOn;
      return HandleChatImages(*message, services);
    case kClassControl:
      if (!message->EmptyText() || !message->HasAttributes()) return kPassOn;
      return HandleImageControl(*message, services);
    default:
      return kPassOn;
  }
}

void ApplyStatus(const StatusEntry& entry, HookServices& services) {
  if (IsUnavailable(entry.status)) {
    services.RemoveUser(entry.uin);
  } else {
    services.SetUser(entry.uin, entry.address, entry.port);
  }
}

int32_t HandleReceived(std::span<const uint8_t> packet, HookServices& services) {
  std::optional<PacketView> view = DecodePacket(packet);
  if (!view) return kPassOn;
  switch (view->type) {
    case kTypeReceivedMessage:
      return HandleMessage(view->payload, services);
    case kTypeNotifyReply:
      for (const StatusEntry& entry : DecodeStatusEntries(view->payload))
        ApplyStatus(entry, services);
      return kPassOn;
    case kTypeStatusChange:
      if (std::optional<StatusEntry> entry = DecodeStatusEntry(view->payload)) {
        ApplyStatus(*entry, services);
      }
      return kPassOn;
    default:
      return kPassOn;
  }
}

}  // namespace

int32_t HandleGGEvent(uint32_t code, std::span<const uint8_t> packet, HookServices& services) {
  switch (code) {
    case kEventForget:
      services.ClearUsers();
      return kPassOn;
    case kEventSending: {
      std::optional<PacketView> view = DecodePacket(packet);
      if (!view || view->type != kTypeLogin) return kPassOn;
      return HandleLogin(packet, services);
    }
    case kEventReceived:
      return HandleReceived(packet, services);
    default:
      return kPassOn;
  }
}

}  // namespace kvel::gg
