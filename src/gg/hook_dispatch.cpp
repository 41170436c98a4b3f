#include "gg/hook_dispatch.h"

#include <algorithm>
#include <vector>

#include "gg/local_address.h"
#include "wire/dc_request.h"
#include "wire/gg_packet.h"
#include "wire/handshake.h"
#include "wire/image_option.h"
#include "wire/login_packet.h"
#include "wire/received_message.h"
#include "wire/rich_text.h"
#include "wire/status_entry.h"

namespace kvel::gg {
namespace {

// Learns the user's own number, then sends a copy of the login that
// announces this machine's address, the listening port and the external
// address and port (the router's, when it maps the port; else the
// settings'); the host's own packet is then dropped.
int32_t HandleLogin(std::span<const uint8_t> packet, LoginServices& login) {
  if (std::optional<uint32_t> uin = wire::DecodeLoginUin(packet)) login.SetOwnUin(*uin);
  std::optional<wire::LoginFields> fields = wire::DecodeLogin(packet);
  if (!fields || fields->localAddress != 0) return kPassOn;

  uint32_t address = login.InetAddr(kLocalAddress);
  if (address == 0) address = ChooseLocalAddress(login.LocalHostAddresses());
  const Settings settings = login.CurrentSettings();

  std::vector<uint8_t> copy(packet.begin(), packet.end());
  fields->localAddress = address;
  fields->localPort = settings.localPort;
  fields->externAddress = login.InetAddr(settings.externIp);
  fields->externPort = settings.externPort;
  if (std::optional<LoginServices::RouterPort> mapped = login.MappedRouterPort()) {
    fields->externAddress = mapped->address;
    fields->externPort = mapped->port;
  }
  wire::EncodeLoginAddresses(copy, *fields);
  login.SendRawPacket(copy);
  return kTakenOver;
}

// The message's images, each once, in order of appearance, at most
// kMaxImagesPerMessage of them.
std::vector<wire::ImageMark> DistinctImages(const std::vector<wire::ImageMark>& marks) {
  std::vector<wire::ImageMark> distinct;
  for (const wire::ImageMark& mark : marks) {
    if (distinct.size() == kMaxImagesPerMessage) break;
    if (std::find(distinct.begin(), distinct.end(), mark) == distinct.end())
      distinct.push_back(mark);
  }
  return distinct;
}

int32_t HandleChatImages(const wire::ReceivedMessage& message, ImageTraffic& images) {
  for (const wire::ImageMark& mark : DistinctImages(wire::RichTextImageMarks(message.attributes))) {
    if (images.IsImageCached(message.sender, mark.size, mark.checksum)) {
      images.ShowReceivedImage(message.sender, mark.size, mark.checksum);
    } else {
      images.RequestImage(message.sender, mark.size, mark.checksum);
    }
  }
  // An image-only message has nothing left for the host to show.
  return message.EmptyText() ? kTakenOver : kPassOn;
}

int32_t HandleImageControl(const wire::ReceivedMessage& message, ImageTraffic& images) {
  std::optional<wire::ImageOption> option = wire::DecodeImageOption(message.attributes);
  if (!option) return kPassOn;
  const uint32_t sender = message.sender;
  if (option->kind == wire::kImageRequest) {
    images.AnswerImageRequest(sender, option->size, option->checksum);
    return kTakenOver;
  }
  // The reply is read here, once; the image side takes the decoded part.
  std::optional<wire::ImageReplyPart> part = wire::DecodeImageReply(*option);
  if (!part) return kPassOn;
  if (images.ReceiveImagePart(sender, *part)) {
    images.ShowReceivedImage(sender, part->size, part->checksum);
  }
  return kTakenOver;
}

int32_t HandleMessage(std::span<const uint8_t> payload, const HookServices& services) {
  std::optional<wire::ReceivedMessage> message = wire::DecodeReceivedMessage(payload);
  if (!message) return kPassOn;
  switch (message->messageClass) {
    case wire::kClassCallBack:
      if (!wire::IsDcRequestText(message->text)) return kPassOn;
      // The peer has a file for us and cannot reach us: we call and pull it.
      services.connections.StartOutgoing(message->sender, wire::kPullCode);
      return kTakenOver;
    case wire::kClassChat:
      if (!wire::IsRichText(message->attributes)) return kPassOn;
      return HandleChatImages(*message, services.images);
    case wire::kClassControl:
      if (!message->EmptyText() || !message->HasAttributes()) return kPassOn;
      return HandleImageControl(*message, services.images);
    default:
      return kPassOn;
  }
}

void ApplyStatus(const wire::StatusEntry& entry, PeerTableEdits& peers) {
  if (wire::IsUnavailable(entry.status)) {
    peers.RemoveUser(entry.uin);
  } else {
    peers.SetUser(entry.uin, entry.address, entry.port);
  }
}

int32_t HandleReceived(std::span<const uint8_t> packet, const HookServices& services) {
  std::optional<wire::PacketView> view = wire::DecodePacket(packet);
  if (!view) return kPassOn;
  switch (view->type) {
    case wire::kTypeReceivedMessage:
      return HandleMessage(view->payload, services);
    case wire::kTypeNotifyReply:
      for (const wire::StatusEntry& entry : wire::DecodeStatusEntries(view->payload))
        ApplyStatus(entry, services.peers);
      return kPassOn;
    case wire::kTypeStatusChange:
      if (std::optional<wire::StatusEntry> entry = wire::DecodeStatusEntry(view->payload)) {
        ApplyStatus(*entry, services.peers);
      }
      return kPassOn;
    default:
      return kPassOn;
  }
}

}  // namespace

int32_t HandleGGEvent(uint32_t code, std::span<const uint8_t> packet, HookServices services) {
  switch (code) {
    case kEventForget:
      services.peers.ClearUsers();
      return kPassOn;
    case kEventSending: {
      std::optional<wire::PacketView> view = wire::DecodePacket(packet);
      if (!view || view->type != wire::kTypeLogin) return kPassOn;
      return HandleLogin(packet, services.login);
    }
    case kEventReceived:
      return HandleReceived(packet, services);
    default:
      return kPassOn;
  }
}

}  // namespace kvel::gg
