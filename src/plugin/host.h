// The plug-in's side of the host connection: its instance handle, the host's
// record, and the binding of the logic's host services to them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_api.h"
#include "host/host_services.h"

namespace kvel {

// The module's instance handle; set by the attach routine (or a test).
host::PluginHandle PluginId();
void SetPluginId(host::PluginHandle id);

// The host's record given to LoadPlugin; null before it.
host::HostLink* HostLinkRecord();
void SetHostLink(host::HostLink* link);

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

// Host services over HostLinkRecord and PluginId as they are at each call.
host::HostServices& ProcessHost();

// ProcessHost's calls, for the binding's own use.
host::Param CallService(const char* service, host::Param wparam, host::Param lparam);
int32_t ServiceExists(const char* service);
void SendRawPacket(const uint8_t* packet, size_t length);

}  // namespace kvel
