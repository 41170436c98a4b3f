#include "plugin/host_callbacks.h"

#include <span>

#include "gg/hook_dispatch.h"
#include "gg/menu_commands.h"
#include "plugin/plugin_context.h"

namespace kvel {

int32_t KVEL_CALL ProtocolHook(host::EventRecord* event, host::PacketRef* packet) {
  if (event == nullptr) return gg::kPassOn;
  std::span<const uint8_t> bytes;
  if (packet != nullptr && packet->data != nullptr) bytes = {packet->data, packet->length};
  return gg::HandleGGEvent(event->code, bytes, ThePlugin().Hook());
}

int32_t KVEL_CALL MenuStateCallback(int32_t event, host::MenuContext* context) {
  return gg::OfferCommands(ThePlugin().Host(), event, context);
}

int32_t KVEL_CALL SendFileCommand(host::Param, host::MenuContext* context) {
  return gg::SendFileCommandWith(context, ThePlugin().Commands());
}

int32_t KVEL_CALL SendImageCommand(host::Param, host::MenuContext* context) {
  return gg::SendImageCommandWith(context, ThePlugin().Commands());
}

}  // namespace kvel
