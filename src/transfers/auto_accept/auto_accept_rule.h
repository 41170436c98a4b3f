// Whether a peer's offer may be taken without asking. The number in
// the handshake is only what the caller claims, so the connection must also
// come from where the GG server says that contact is, or answer a call-back
// this user asked that contact for. Pure.
#pragma once

#include <cstdint>

#include "common/settings.h"

namespace kvel::transfers {

// Where an offer's connection comes from.
struct OfferOrigin {
  uint32_t remoteAddress = 0;       // the connection's other end, network byte order
  uint32_t announcedAddress = 0;    // what the GG server announced for the claimed number; 0: none
  bool answersOwnCallBack = false;  // a call-back this user asked that contact for
};

// Whether the connection may come from someone other than the contact it
// claims: neither from its announced address nor answering this user's
// call-back.
bool FromElsewhere(const OfferOrigin& origin);

enum class AutoAcceptVerdict {
  Take,          // taken without asking
  NotListed,     // the section is off, or the number is not in it: asked
  OtherAddress,  // listed, but the connection may not be that contact's: asked
  TooLarge,      // listed, but larger than maxkb (or of no size an offer can have): asked
};

// Taken only when `uin` is listed, the connection comes from the announced
// address (a known one) or answers this user's call-back, and `size` is
// within maxkb KB.
AutoAcceptVerdict JudgeAutoAccept(const AutoAcceptSettings& settings, uint32_t uin, int64_t size,
                                  const OfferOrigin& origin);

}  // namespace kvel::transfers
