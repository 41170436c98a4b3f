#include "plugin/host.h"

#include "host/raw_packet.h"
#include "plugin/plugin_context.h"

namespace kvel {

host::PluginHandle PluginId() {
  return TheModuleHost().ModuleId();
}
void SetPluginId(host::PluginHandle id) {
  TheModuleHost().SetModuleId(id);
}

host::HostLink* HostLinkRecord() {
  return TheModuleHost().Link();
}
void SetHostLink(host::HostLink* link) {
  TheModuleHost().SetLink(link);
}

host::Param LinkedHost::CallService(const char* service, host::Param wparam, host::Param lparam) {
  if (link_ == nullptr || link_->callService == nullptr) return 0;
  return link_->callService(module_, service, wparam, lparam);
}

int32_t LinkedHost::ServiceExists(const char* service) {
  if (link_ == nullptr || link_->serviceExists == nullptr) return 0;
  return link_->serviceExists(module_, service);
}

host::HostServices& ProcessHost() {
  return TheModuleHost();
}

host::Param CallService(const char* service, host::Param wparam, host::Param lparam) {
  return ProcessHost().CallService(service, wparam, lparam);
}

int32_t ServiceExists(const char* service) {
  return ProcessHost().ServiceExists(service);
}

void SendRawPacket(const uint8_t* packet, size_t length) {
  host::SendRawPacket(ProcessHost(), {packet, length});
}

}  // namespace kvel
