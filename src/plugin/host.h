// The plug-in's side of the host connection: the module's instance handle
// and the host's record, which belong to the module rather than to one load,
// and the host services over them.
#pragma once

#include <atomic>

#include "host/host_api.h"
#include "host/linked_host.h"

namespace kvel {

// Host services over the module handle and host record as they are at each
// call; either may be set at any time, from any thread. Null until set: a
// call then reaches no host (see host::LinkedHost).
class ModuleHost final : public host::HostServices {
 public:
  void SetModule(host::PluginHandle id) { module_.store(id, std::memory_order_relaxed); }
  host::HostLink* Link() const { return link_.load(std::memory_order_acquire); }
  void SetLink(host::HostLink* link) { link_.store(link, std::memory_order_release); }

  std::optional<host::ContactEntry> FindContact(const char* id) override {
    return Linked().FindContact(id);
  }
  void SetContactIcon(host::Param item, const host::IconPicture& picture) override {
    Linked().SetContactIcon(item, picture);
  }
  void RemoveContactIcon(host::Param item) override { Linked().RemoveContactIcon(item); }
  bool OfferMenuItems(host::MenuContext& menu, std::span<const char* const> commands) override {
    return Linked().OfferMenuItems(menu, commands);
  }
  void ShowChatMessage(const host::ChatMessage& message) override {
    Linked().ShowChatMessage(message);
  }
  void SendRawPacket(std::span<const uint8_t> packet) override { Linked().SendRawPacket(packet); }
  int32_t Log(const char* text) override { return Linked().Log(text); }
  host::PluginHandle Module() override { return module_.load(std::memory_order_relaxed); }

  // The raw call, for the binding's own records: the hook, the menu items
  // and callbacks, and the data directory.
  host::Param CallService(const char* service, host::Param wparam, host::Param lparam) {
    return Linked().CallService(service, wparam, lparam);
  }

 private:
  host::LinkedHost Linked() const {
    return host::LinkedHost(Link(), module_.load(std::memory_order_relaxed));
  }

  std::atomic<host::PluginHandle> module_{nullptr};
  std::atomic<host::HostLink*> link_{nullptr};
};

// The module's handle and the host's record, set at attach and by LoadPlugin
// and kept from module load to detach, across contexts: the object every
// context holds as its `host` (defined with the context's owner).
ModuleHost& TheModuleHost();

}  // namespace kvel
