// How long and how many: every wait a peer can cause on a direct connection
// is bounded here, and so is the number of connections at once, in all and
// per peer.
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
  // The longest a direct connection to a contact may take to stand. A
  // working path connects within a round trip, and a lossy one within the
  // first two retransmissions of the opening segment (by 3 s on Linux, 9 s
  // on Windows); a firewall that drops it silently would otherwise keep the
  // user waiting for the system's own limit (21 s to over 2 minutes) before
  // the contact is asked to call back.
  uint32_t connectMs = 10 * 1000;
  // A contact asked for a call-back may call back with code 3 this long
  // after: GG messages arrive within seconds, and the contact's plug-in
  // calls back at once, through its own connect limit.
  uint32_t callBackMs = 3 * 60 * 1000;

  // Connections running at once; one more is closed at once.
  size_t maxConnections = 16;
  // Places that only this user's own sends take (with the connections that
  // answer a call-back this user asked for): however many peers call,
  // four sends of the user's own still start.
  size_t reservedForOwn = 4;
  // Connections from one remote address, and from one claimed number, that
  // the peer can still hold: in the handshake, the offer, or waiting for
  // this user's answer (the question, or its turn for it). A contact sending
  // several files at once has one such connection per file; four lets a
  // handful of them wait their turn together, while one address (or one
  // number) can hold no more than a third of the places peers may take.
  size_t maxPendingPerAddress = 4;
  size_t maxPendingPerNumber = 4;
  // This user's sends to one contact that run at once, each from its start
  // (connecting, or waiting for the call-back it asked for) to its end; the
  // other files chosen with them wait their turn. Each such connection
  // waits on the receiving kvel, from one address and one number, until its
  // user answers; three stay below the four it lets one address or number
  // hold there, so that it never closes one of them, and a connection the
  // other way (a call-back it asked this side for) still finds a place.
  size_t maxSendsPerContact = 3;
};

inline constexpr ConnectionLimits kConnectionLimits{};
static_assert(kConnectionLimits.maxSendsPerContact < kConnectionLimits.maxPendingPerAddress &&
                  kConnectionLimits.maxSendsPerContact < kConnectionLimits.maxPendingPerNumber,
              "a contact's receiving kvel must take every send that runs at once");

// Call-backs awaited at once; a newer request pushes out the oldest. Each is
// a send the user clicked and sees in the window: far more than anyone
// waits for at once.
inline constexpr size_t kMaxAwaitedCallBacks = 32;
// How long unloading waits for the running connections to end.
inline constexpr uint32_t kUnloadWaitMs = 3000;

}  // namespace kvel::p2p
