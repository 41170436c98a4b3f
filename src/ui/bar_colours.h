// The colours of the transfer window's progress bars, by the transfer's
// direction. Tools that look at a picture of the window count these.
#pragma once

#include <cstdint>

namespace kvel::ui {

struct BarColour {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

inline constexpr BarColour kSendBar{0, 140, 0};         // green
inline constexpr BarColour kReceiveBar{180, 0, 0};      // red
inline constexpr BarColour kUnknownBar{192, 192, 192};  // before the direction is known

}  // namespace kvel::ui
