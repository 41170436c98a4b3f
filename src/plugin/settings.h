// The four settings read from "kvel.config" at LoadPlugin. They hold their
// defaults from module load on; nothing is ever written back.
#pragma once

#include <cstdint>

namespace kvel {

struct Settings {
  uint16_t localPort = 1560;
  char externIp[16] = "0.0.0.0";
  uint16_t externPort = 0;
  uint16_t iconMask = 15;
};

// The process-wide settings. Written only by ReadSettings during LoadPlugin,
// before any thread of the plug-in starts; read-only afterwards.
Settings& CurrentSettings();

// Reads the keys present in the settings file at `path` (full name); keys and
// sections that are missing leave the current values as they are.
void ReadSettings(const char* path);

}  // namespace kvel
