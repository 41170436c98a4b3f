// What a started Plugin has registered with the host: the protocol hook and
// the two menu commands with their state callback. Each goes as it came,
// once; a registration never made is never removed.
#pragma once

#include "host/host_api.h"
#include "plugin/host.h"

namespace kvel {

class HostRegistrations {
 public:
  explicit HostRegistrations(ModuleHost& host) : host_(host) {}
  HostRegistrations(const HostRegistrations&) = delete;
  HostRegistrations& operator=(const HostRegistrations&) = delete;

  // Hooks the GG protocol (ProtocolHook), keeping the handle for Unhook.
  void Hook();
  // Adds "send a file" and "send an image" with their state callback.
  void AddMenus();
  // Removes the menus' state callback: the host offers no command of
  // kvel's from then on.
  void RemoveMenus();
  void Unhook();

 private:
  ModuleHost& host_;
  host::Param hookHandle_ = 0;
  bool hooked_ = false;
  bool menus_ = false;
};

}  // namespace kvel
