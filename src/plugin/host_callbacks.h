// The functions the host calls back: the GG protocol hook and the contact
// menu's state callback and commands. Each hands the logic the bindings over
// the plug-in's context.
#pragma once

#include <cstdint>

#include "host/host_api.h"

namespace kvel {

// Returns -1 when the packet has been taken over (the host neither sends nor
// delivers it), 0 otherwise.
int32_t KVEL_CALL ProtocolHook(host::EventRecord* event, host::PacketRef* packet);

// gg::OfferCommands, gg::SendFileCommandWith and gg::SendImageCommandWith
// over the context.
int32_t KVEL_CALL MenuStateCallback(int32_t event, host::MenuContext* context);
int32_t KVEL_CALL SendFileCommand(host::Param unused, host::MenuContext* context);
int32_t KVEL_CALL SendImageCommand(host::Param unused, host::MenuContext* context);

}  // namespace kvel
