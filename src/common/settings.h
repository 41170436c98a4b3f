// The four settings read from "kvel.config" at LoadPlugin. They hold their
// defaults until then; nothing is ever written back.
#pragma once

#include <cstdint>

namespace kvel {

struct Settings {
  uint16_t localPort = 1560;
  char externIp[16] = "0.0.0.0";
  uint16_t externPort = 0;
  uint16_t iconMask = 15;
};

}  // namespace kvel
