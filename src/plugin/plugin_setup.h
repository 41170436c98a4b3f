// What a Plugin is built from: the settings, the data directory and the
// section of files taken without asking, as LoadPlugin reads them from
// the host's data directory.
#pragma once

#include <string>

#include "common/settings.h"
#include "common/texts.h"
#include "plugin/host.h"
#include "transfers/auto_accept/auto_accept_settings.h"

namespace kvel {

struct PluginSetup {
  Settings settings;
  // The host's data directory followed by "kvel\"; "c:\" for the context
  // made before LoadPlugin, empty when the host named no data directory.
  std::string dataPath = text::kDataPathBeforeLoad;
  // The section [autoaccept] as read; off without a data directory.
  transfers::AutoAcceptParse autoAccept;
};

// Makes kvel's directory in the host's data directory and reads the
// settings file beside it. Without a data directory nothing is made or
// read: the defaults stay and dataPath is empty.
PluginSetup ReadPluginSetup(ModuleHost& host);

}  // namespace kvel
