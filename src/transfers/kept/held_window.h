// What the first window of data a resumed transfer received says of its
// sender, against the kept bytes at the offset asked for and at the file's
// start (resume_point.h). Pure.
#pragma once

#include <cstdint>
#include <span>

namespace kvel::transfers {

enum class HeldWindow {
  Honoured,  // the kept bytes from the offset: the sender goes on from there
  Ignored,   // the file's first bytes: the sender sends the whole file again
  Changed,   // neither: the sender's file is not the one kept from
};

HeldWindow JudgeHeldWindow(std::span<const uint8_t> held, std::span<const uint8_t> keptAtOffset,
                           std::span<const uint8_t> keptHead);

}  // namespace kvel::transfers
