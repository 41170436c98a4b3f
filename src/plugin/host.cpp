#include "plugin/host.h"

#include <atomic>

#include "host/service_names.h"

namespace kvel {
namespace {
std::atomic<host::PluginHandle> g_pluginId{nullptr};
std::atomic<host::HostLink*> g_hostLink{nullptr};
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

host::Param CallService(const char* service, host::Param wparam, host::Param lparam) {
  host::HostLink* link = HostLinkRecord();
  if (link == nullptr || link->callService == nullptr) return 0;
  return link->callService(PluginId(), service, wparam, lparam);
}

int32_t ServiceExists(const char* service) {
  host::HostLink* link = HostLinkRecord();
  if (link == nullptr || link->serviceExists == nullptr) return 0;
  return link->serviceExists(PluginId(), service);
}

void SendRawPacket(const uint8_t* packet, size_t length) {
  host::RawPacket raw{};
  raw.size = sizeof(host::RawPacket);
  raw.length = static_cast<uint32_t>(length);
  raw.data = packet;
  host::ProtocolCall call{};
  call.size = sizeof(host::ProtocolCall);
  call.protocol = host::kProtocolGG;
  call.function = host::kSendRawData;
  call.packet = &raw;
  CallService(host::kServiceProtocolCall, reinterpret_cast<host::Param>(&call), 0);
}

}  // namespace kvel
