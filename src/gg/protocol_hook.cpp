#include "gg/protocol_hook.h"

#include <span>

#include "gg/hook_dispatch.h"

namespace kvel::gg {

int32_t KVEL_CALL ProtocolHook(host::EventRecord* event, host::PacketRef* packet) {
  if (event == nullptr) return kPassOn;
  std::span<const uint8_t> bytes;
  if (packet != nullptr && packet->data != nullptr) bytes = {packet->data, packet->length};
  return HandleGGEvent(event->code, bytes, ProductionHookEdges());
}

}  // namespace kvel::gg
