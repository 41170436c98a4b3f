// The host binding: the typed host services over one host record, each
// turned into the host's records and service calls, with `module` as the
// caller. A null record is no host: no call reaches anything, FindContact
// finds nothing, OfferMenuItems offers nothing and Log answers 0.
#pragma once

#include "host/host_api.h"
#include "host/host_services.h"

namespace kvel::host {

class LinkedHost final : public HostServices {
 public:
  LinkedHost(HostLink* link, PluginHandle module) : link_(link), module_(module) {}

  std::optional<ContactEntry> FindContact(const char* id) override;
  void SetContactIcon(Param item, const IconPicture& picture) override;
  void RemoveContactIcon(Param item) override;
  bool OfferMenuItems(MenuContext& menu, std::span<const char* const> commands) override;
  void ShowChatMessage(const ChatMessage& message) override;
  void SendRawPacket(std::span<const uint8_t> packet) override;
  int32_t Log(const char* text) override;
  PluginHandle Module() override { return module_; }

  // The raw calls, for the plug-in binding's own records (hook, menu items
  // and callbacks, data directory); 0 while there is no host.
  Param CallService(const char* service, Param wparam, Param lparam);
  int32_t ServiceExists(const char* service);

 private:
  HostLink* link_;
  PluginHandle module_;
};

}  // namespace kvel::host
