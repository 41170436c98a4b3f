#include "transfers/kept/held_window.h"

#include <algorithm>

namespace kvel::transfers {

HeldWindow JudgeHeldWindow(std::span<const uint8_t> held, std::span<const uint8_t> keptAtOffset,
                           std::span<const uint8_t> keptHead) {
  if (std::ranges::equal(held, keptAtOffset)) return HeldWindow::Honoured;
  if (std::ranges::equal(held, keptHead)) return HeldWindow::Ignored;
  return HeldWindow::Changed;
}

}  // namespace kvel::transfers
