// How long and how many: every wait a peer can cause on a direct connection
// is bounded here, and so is the number of connections at once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvel::p2p {

struct ConnectionLimits {
  // From the connection's start to the direction code: machines talking.
  uint32_t handshakeMs = 20 * 1000;
  // From the handshake to the whole offer (receiving side), or from this
  // user's offer to the peer's whole answer (sending side): one person
  // choosing on the other end.
  uint32_t offerMs = 5 * 60 * 1000;
  // The longest wait for one read or write once the file flows.
  uint32_t idleMs = 2 * 60 * 1000;
  // Connections running at once; one more is closed at once.
  size_t maxConnections = 16;
};

inline constexpr ConnectionLimits kConnectionLimits{};

// A contact asked for a call-back may call back with code 3 this long after.
inline constexpr uint32_t kCallBackWaitMs = 3 * 60 * 1000;
// Call-backs awaited at once; a newer request pushes out the oldest.
inline constexpr size_t kMaxAwaitedCallBacks = 32;
// How long unloading waits for the running connections to end.
inline constexpr uint32_t kUnloadWaitMs = 3000;

}  // namespace kvel::p2p
