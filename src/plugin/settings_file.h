// Reading the settings file, kvel.config, into the settings records.
#pragma once

#include <string>

#include "common/settings.h"
#include "transfers/auto_accept/auto_accept_settings.h"

namespace kvel {

// Reads the keys present in the settings file at `path` (full name) into
// `settings`; keys and sections that are missing leave the values as they are.
void ReadSettings(const char* path, Settings& settings);

// The section [autoaccept] of the settings file at `path`: off when it is
// missing, and off with the reason when it is malformed or names kvel's
// data folder `dataFolder`.
transfers::AutoAcceptParse ReadAutoAcceptSettings(const char* path,
                                                  const std::string& dataFolder = {});

// What the log says of the section as read, files going to `folder`: why
// it is off, or whom it trusts; empty when it is simply off.
std::string AutoAcceptLogLine(const transfers::AutoAcceptParse& parse, const std::string& folder);

}  // namespace kvel
