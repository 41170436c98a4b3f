// Reading the settings file into the process's settings.
#pragma once

#include "common/settings.h"

namespace kvel {

// The process-wide settings. Written only by ReadSettings during LoadPlugin,
// before any thread of the plug-in starts; read-only afterwards.
Settings& CurrentSettings();

// Reads the keys present in the settings file at `path` (full name); keys and
// sections that are missing leave the current values as they are.
void ReadSettings(const char* path);

}  // namespace kvel
