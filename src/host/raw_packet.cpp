#include "host/raw_packet.h"

#include "host/service_names.h"

namespace kvel::host {

void SendRawPacket(HostServices& host, std::span<const uint8_t> packet) {
  RawPacket raw{};
  raw.size = sizeof(RawPacket);
  raw.length = static_cast<uint32_t>(packet.size());
  raw.data = packet.data();
  ProtocolCall call{};
  call.size = sizeof(ProtocolCall);
  call.protocol = kProtocolGG;
  call.function = kSendRawData;
  call.packet = &raw;
  host.CallService(kServiceProtocolCall, reinterpret_cast<Param>(&call), 0);
}

}  // namespace kvel::host
