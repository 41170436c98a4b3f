// What the plug-in's logic asks of the host, as typed operations: the
// contact list and its icons, the contact menu, chat windows, the GG
// module's raw send and the log. Only the host binding (host/linked_host.h)
// turns them into the host's records and service calls; tests stand in for
// it with the stand-in host behind a LinkedHost, or with a small fake.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "host/host_api.h"

namespace kvel::host {

// A contact as the host's contact list holds it.
struct ContactEntry {
  Param item = 0;  // the host's handle of the contact's item
  // The name the list shows; absent when the host gives none.
  std::optional<std::string> displayName;
};

// A picture for a contact's icon: a bitmap of the plug-in's module, its size
// in pixels and the colour that shows as transparent (0x00BBGGRR).
struct IconPicture {
  void* bitmap = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t transparent = 0;
};

enum class ChatSender { Peer, User };

// One message in the chat window of `contact` (a GG number in decimal). The
// texts live for the call only.
struct ChatMessage {
  const char* contact = nullptr;
  const char* senderId = nullptr;
  const char* senderName = nullptr;
  uint32_t time = 0;  // seconds since 1970
  const char* html = nullptr;
  ChatSender sender = ChatSender::Peer;
};

class HostServices {
 public:
  // The contact whose id text is exactly `id`; nothing when the list holds
  // none (items of other kinds never match).
  virtual std::optional<ContactEntry> FindContact(const char* id) = 0;
  // Shows `picture` as the item's "kvel" icon: changes the icon, or adds it
  // when the item has none. The host copies what it keeps.
  virtual void SetContactIcon(Param item, const IconPicture& picture) = 0;
  // Removes the item's "kvel" icon, whatever it showed.
  virtual void RemoveContactIcon(Param item) = 0;
  // Offers `commands`, in order, in the menu of `menu`, which the host is
  // building. False, offering nothing, when the host has no way to offer.
  virtual bool OfferMenuItems(MenuContext& menu, std::span<const char* const> commands) = 0;
  virtual void ShowChatMessage(const ChatMessage& message) = 0;
  // A whole GG packet (header included) through the host's GG module, which
  // takes the bytes before it returns.
  virtual void SendRawPacket(std::span<const uint8_t> packet) = 0;
  // One diagnostic line for the optional log service; dropped without a
  // trace when there is none. The service's result, or 0.
  virtual int32_t Log(const char* text) = 0;
  // The module's instance handle (dialogs and bitmaps come from it).
  virtual PluginHandle Module() = 0;

 protected:
  ~HostServices() = default;
};

}  // namespace kvel::host
