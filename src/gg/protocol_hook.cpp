#include "gg/protocol_hook.h"

namespace kvel::gg {

int32_t KVEL_CALL ProtocolHook(host::EventRecord* event, host::PacketRef* packet) {
  (void)event;
  (void)packet;
  return 0;
}

}  // namespace kvel::gg
