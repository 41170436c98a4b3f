#include "plugin/plugin_setup.h"

#include "host/service_names.h"
#include "platform/files.h"
#include "plugin/settings_file.h"

namespace kvel {
namespace {

// The host's data directory (ending in a separator), or null when the host
// yields no function, no record or no text.
const char* HostDataDirectory(ModuleHost& host) {
  auto profile = reinterpret_cast<host::ProfileFn>(
      host.CallService(host::kServiceGetProcAddress, host::kProfileProc, 0));
  if (profile == nullptr) return nullptr;
  host::ProfileRecord* record = profile(0, 0);
  return record == nullptr ? nullptr : record->directory;
}

}  // namespace

PluginSetup ReadPluginSetup(ModuleHost& host) {
  PluginSetup setup;
  // Without a data directory the plug-in makes no directory, reads no
  // settings and keeps no image cache: nothing is written anywhere else.
  const char* directory = HostDataDirectory(host);
  if (directory == nullptr) {
    setup.dataPath.clear();
    return setup;
  }
  const std::string base = directory;
  platform::MakeDirectory((base + text::kPluginDirectory).c_str());
  const std::string settingsFile = base + text::kSettingsFile;
  ReadSettings(settingsFile.c_str(), setup.settings);
  setup.dataPath = base + text::kPluginDirectory + platform::kPathSeparator;
  setup.autoAccept = ReadAutoAcceptSettings(settingsFile.c_str(), setup.dataPath);
  return setup;
}

}  // namespace kvel
