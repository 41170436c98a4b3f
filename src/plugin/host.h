// The plug-in's side of the host connection: its instance handle, the host's
// record, and the binding of the logic's host services to them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "host/host_api.h"
#include "host/host_services.h"

namespace kvel {

// Host services over one host record, called with `module` first. A null
// record is no host: every call answers 0.
class LinkedHost final : public host::HostServices {
 public:
  LinkedHost(host::HostLink* link, host::PluginHandle module) : link_(link), module_(module) {}
  host::Param CallService(const char* service, host::Param wparam, host::Param lparam) override;
  int32_t ServiceExists(const char* service) override;
  host::PluginHandle Module() override { return module_; }

 private:
  host::HostLink* link_;
  host::PluginHandle module_;
};

// Host services over the module handle and host record as they are at each
// call; either may be set at any time, from any thread. Null until set.
class ModuleHost final : public host::HostServices {
 public:
  host::PluginHandle ModuleId() const { return module_.load(std::memory_order_relaxed); }
  void SetModuleId(host::PluginHandle id) { module_.store(id, std::memory_order_relaxed); }
  host::HostLink* Link() const { return link_.load(std::memory_order_acquire); }
  void SetLink(host::HostLink* link) { link_.store(link, std::memory_order_release); }

  host::Param CallService(const char* service, host::Param wparam, host::Param lparam) override {
    return LinkedHost(Link(), ModuleId()).CallService(service, wparam, lparam);
  }
  int32_t ServiceExists(const char* service) override {
    return LinkedHost(Link(), ModuleId()).ServiceExists(service);
  }
  host::PluginHandle Module() override { return ModuleId(); }

 private:
  std::atomic<host::PluginHandle> module_{nullptr};
  std::atomic<host::HostLink*> link_{nullptr};
};

// The module's handle; set by the attach routine (or a test).
host::PluginHandle PluginId();
void SetPluginId(host::PluginHandle id);

// The host's record, given to LoadPlugin; null before it.
host::HostLink* HostLinkRecord();
void SetHostLink(host::HostLink* link);

// The module's host services (TheModuleHost), which live from module load to
// detach.
host::HostServices& ProcessHost();

// ProcessHost's calls, for the binding's own use.
host::Param CallService(const char* service, host::Param wparam, host::Param lparam);
int32_t ServiceExists(const char* service);
void SendRawPacket(const uint8_t* packet, size_t length);

}  // namespace kvel
