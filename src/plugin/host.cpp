#include "plugin/host.h"

#include <atomic>

#include "host/raw_packet.h"

namespace kvel {
namespace {
std::atomic<host::PluginHandle> g_pluginId{nullptr};
std::atomic<host::HostLink*> g_hostLink{nullptr};

class CurrentHost final : public host::HostServices {
 public:
  host::Param CallService(const char* service, host::Param wparam, host::Param lparam) override {
    return LinkedHost(HostLinkRecord(), PluginId()).CallService(service, wparam, lparam);
  }
  int32_t ServiceExists(const char* service) override {
    return LinkedHost(HostLinkRecord(), PluginId()).ServiceExists(service);
  }
  host::PluginHandle Module() override { return PluginId(); }
};
}  // namespace

host::PluginHandle PluginId() {
  return g_pluginId.load(std::memory_order_relaxed);
}
void SetPluginId(host::PluginHandle id) {
  g_pluginId.store(id, std::memory_order_relaxed);
}

host::HostLink* HostLinkRecord() {
  return g_hostLink.load(std::memory_order_acquire);
}
void SetHostLink(host::HostLink* link) {
  g_hostLink.store(link, std::memory_order_release);
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
  static CurrentHost current;
  return current;
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
