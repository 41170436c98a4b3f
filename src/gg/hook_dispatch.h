// The protocol hook's decisions, over the packet's bytes and its services.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "gg/hook_services.h"

namespace kvel::gg {

// Hook event codes.
inline constexpr uint32_t kEventReceived = 4;  // a packet from the GG server
inline constexpr uint32_t kEventSending = 7;   // a packet about to be sent
inline constexpr uint32_t kEventForget = 9;    // all peers are forgotten

// One chat message asks for at most this many distinct images; further marks
// are ignored, and a mark repeated in the message counts once.
inline constexpr size_t kMaxImagesPerMessage = 16;

inline constexpr int32_t kTakenOver = -1;  // the host neither sends nor delivers it
inline constexpr int32_t kPassOn = 0;

// Handles one hook event; `packet` is the whole packet as the packet
// reference gives it (header included; may be empty). Nothing outside it is
// read or written. Returns kTakenOver or kPassOn.
int32_t HandleGGEvent(uint32_t code, std::span<const uint8_t> packet, HookServices services);

}  // namespace kvel::gg
