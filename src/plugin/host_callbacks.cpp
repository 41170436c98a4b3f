#include "plugin/host_callbacks.h"

#include <span>

#include "gg/hook_dispatch.h"
#include "gg/menu_commands.h"
#include "plugin/plugin_context.h"
#include "plugin/production_bindings.h"

namespace kvel {

int32_t KVEL_CALL ProtocolHook(host::EventRecord* event, host::PacketRef* packet) {
  if (event == nullptr) return gg::kPassOn;
  std::span<const uint8_t> bytes;
  if (packet != nullptr && packet->data != nullptr) bytes = {packet->data, packet->length};
  ProductionHook services(ThePlugin());
  return gg::HandleGGEvent(event->code, bytes, services);
}

int32_t KVEL_CALL MenuStateCallback(int32_t event, host::MenuContext* context) {
  return gg::OfferCommands(ThePlugin().host, event, context);
}

int32_t KVEL_CALL SendFileCommand(host::Param, host::MenuContext* context) {
  ProductionCommands commands(ThePlugin());
  return gg::SendFileCommandWith(context, commands);
}

int32_t KVEL_CALL SendImageCommand(host::Param, host::MenuContext* context) {
  ProductionCommands commands(ThePlugin());
  return gg::SendImageCommandWith(context, commands);
}

}  // namespace kvel
