// A message from a user (packet type 10) as its payload carries it: sender,
// class, the text up to its NUL byte and the attributes behind it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace kvel::wire {

// Message classes the hook acts on.
inline constexpr uint32_t kClassControl = 4;    // image requests and replies
inline constexpr uint32_t kClassChat = 8;       // may carry image marks
inline constexpr uint32_t kClassCallBack = 16;  // "call me back" when the text starts with 2

struct ReceivedMessage {
  uint32_t sender = 0;  // used whole, not masked
  uint32_t messageClass = 0;
  // The text without its NUL byte. A text with no NUL ends at the payload's
  // end; it then has no attributes.
  std::span<const uint8_t> text;
  bool terminated = false;  // the text ended with a NUL byte
  // Everything behind the NUL byte; empty when there is nothing.
  std::span<const uint8_t> attributes;

  bool EmptyText() const { return terminated && text.empty(); }
  bool HasAttributes() const { return !attributes.empty(); }
};

// Views into `payload`; nullopt when it cannot hold the 16-byte head.
std::optional<ReceivedMessage> DecodeReceivedMessage(std::span<const uint8_t> payload);

}  // namespace kvel::wire
