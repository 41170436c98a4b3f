// Reading the settings file, kvel.config, into the settings record.
#pragma once

#include "common/settings.h"

namespace kvel {

// Reads the keys present in the settings file at `path` (full name) into
// `settings`; keys and sections that are missing leave the values as they are.
void ReadSettings(const char* path, Settings& settings);

}  // namespace kvel
