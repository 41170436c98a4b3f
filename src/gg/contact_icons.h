// The plug-in's "kvel" icon beside a contact-list item: the host calls that
// show a state picture and take it away again.
#pragma once

#include <cstdint>

#include "host/host_services.h"
#include "platform/bitmaps.h"

namespace kvel::gg {

// Shows `bitmap` (of the given size) as the item's "kvel" icon: changes the
// icon, or adds it when the host answers that the item has none.
void ShowStateIcon(host::HostServices& services, host::Param item, platform::Bitmap bitmap,
                   int32_t width, int32_t height);
// Removes the item's "kvel" icon, whatever it showed.
void RemoveStateIcon(host::HostServices& services, host::Param item);

// True when `mask` allows the icon of PeerState `state` (bit `state`).
inline bool IconAllowed(uint16_t mask, int state) {
  return (mask >> state & 1) != 0;
}

}  // namespace kvel::gg
