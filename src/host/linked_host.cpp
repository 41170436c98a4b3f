#include "host/linked_host.h"

#include <cstring>

#include "host/service_names.h"

namespace kvel::host {
namespace {

struct Search {
  const char* id;
  const ContactItem* found;
};

int32_t KVEL_CALL MatchItem(ContactItem* item, void* context) {
  auto* search = static_cast<Search*>(context);
  if (item == nullptr || item->kind != kContactKind || item->id == nullptr) return 0;
  if (std::strcmp(item->id, search->id) != 0) return 0;
  search->found = item;
  return -1;  // found: the enumeration ends
}

}  // namespace

Param LinkedHost::CallService(const char* service, Param wparam, Param lparam) {
  if (link_ == nullptr || link_->callService == nullptr) return 0;
  return link_->callService(module_, service, wparam, lparam);
}

int32_t LinkedHost::ServiceExists(const char* service) {
  if (link_ == nullptr || link_->serviceExists == nullptr) return 0;
  return link_->serviceExists(module_, service);
}

std::optional<ContactEntry> LinkedHost::FindContact(const char* id) {
  if (id == nullptr) return std::nullopt;
  Search search{id, nullptr};
  Enumeration enumeration{};
  enumeration.size = sizeof enumeration;
  enumeration.kind = kContactKind;
  enumeration.callback = &MatchItem;
  enumeration.context = &search;
  CallService(kServiceEnumerateItems, reinterpret_cast<Param>(&enumeration), 0);
  // The host keeps the item valid after the enumeration; what is needed of
  // it is copied all the same.
  if (search.found == nullptr) return std::nullopt;
  ContactEntry entry;
  entry.item = search.found->handle;
  if (search.found->displayName != nullptr) entry.displayName = search.found->displayName;
  return entry;
}

void LinkedHost::SetContactIcon(Param item, const IconPicture& picture) {
  // The host copies what it keeps: the records live for the calls only.
  ImageRecord image{};
  image.size = sizeof image;
  image.bitmap = picture.bitmap;
  image.transparent = picture.transparent;
  image.width = picture.width;
  image.height = picture.height;
  IconRecord icon{};
  icon.size = sizeof icon;
  icon.set = kIconSet;
  icon.imageCount = kIconImageCount;
  icon.image = &image;
  icon.slot = kIconSlot;
  icon.style = kIconStyle;
  icon.shown = kIconShown;
  if (CallService(kServiceChangeItemIcon, item, reinterpret_cast<Param>(&icon)) != kNoSuchIcon) {
    return;
  }
  AddIcons add{};
  add.size = sizeof add;
  add.item = item;
  add.icon = &icon;
  add.count = 1;
  CallService(kServiceAddItemIcons, reinterpret_cast<Param>(&add), 0);
}

void LinkedHost::RemoveContactIcon(Param item) {
  CallService(kServiceRemoveItemIcon, item, reinterpret_cast<Param>(kIconSet));
}

bool LinkedHost::OfferMenuItems(MenuContext& menu, std::span<const char* const> commands) {
  // Asked anew for every menu: the host may hand another function each time.
  auto offer =
      reinterpret_cast<OfferMenuItemFn>(CallService(kServiceGetProcAddress, kOfferMenuItemProc, 0));
  if (offer == nullptr) return false;
  for (const char* command : commands) offer(&menu.commandList, command);
  return true;
}

void LinkedHost::ShowChatMessage(const ChatMessage& message) {
  ChatRecord chat{};
  chat.size = sizeof chat;
  chat.contact = message.contact;
  chat.protocol = kProtocolGG;
  MessageRecord record{};
  record.size = sizeof record;
  record.senderId = message.senderId;
  record.senderName = message.senderName;
  record.time = message.time;
  record.html = message.html;
  record.flags = message.sender == ChatSender::Peer ? kMessageFromPeer : kMessageFromUser;
  CallService(kServiceShowMessage, reinterpret_cast<Param>(&chat),
              reinterpret_cast<Param>(&record));
}

void LinkedHost::SendRawPacket(std::span<const uint8_t> packet) {
  RawPacket raw{};
  raw.size = sizeof raw;
  raw.length = static_cast<uint32_t>(packet.size());
  raw.data = packet.data();
  ProtocolCall call{};
  call.size = sizeof call;
  call.protocol = kProtocolGG;
  call.function = kSendRawData;
  call.packet = &raw;
  CallService(kServiceProtocolCall, reinterpret_cast<Param>(&call), 0);
}

int32_t LinkedHost::Log(const char* text) {
  // Asked anew before every line: the log belongs to another plug-in.
  if (ServiceExists(kServiceLog) == 0) return 0;
  LogRecord record{};
  record.text = text;
  record.tag = kLogTag;
  record.level = kLogLevel;
  record.style = kLogStyle;
  return static_cast<int32_t>(CallService(kServiceLog, reinterpret_cast<Param>(&record), 0));
}

}  // namespace kvel::host
