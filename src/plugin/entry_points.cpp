// GetPluginInfo, LoadPlugin and UnloadPlugin: the order in which the plug-in
// comes to life in the host and is taken down again.
#include <cstring>
#include <string>

#include "images/image_cache.h"
#include "transfers/auto_accept/auto_accept_texts.h"
#include "transfers/side/platform_side.h"
#include "platform/files.h"
#include "plugin/host.h"
#include "plugin/plugin_info.h"
#include "plugin/plugin_context.h"
#include "plugin/host_callbacks.h"
#include "plugin/settings_file.h"
#include "common/texts.h"
#include "host/service_names.h"

namespace kvel {
namespace {

constexpr uint32_t kPluginVersion = 0x10501;
constexpr uint32_t kInterfaceVersion = 0x101;

const host::PluginInfo kPluginInfo = {sizeof(host::PluginInfo),
                                      text::kPluginName,
                                      kPluginVersion,
                                      kInterfaceVersion,
                                      text::kDescription,
                                      text::kNotice,
                                      text::kAuthor,
                                      text::kAuthorContact,
                                      "",
                                      {0, 0, 0, 0}};

// The host's data directory (ending in a separator), or null when the host
// yields no function, no record or no text.
const char* HostDataDirectory(ModuleHost& services) {
  auto profile = reinterpret_cast<host::ProfileFn>(
      services.CallService(host::kServiceGetProcAddress, host::kProfileProc, 0));
  if (profile == nullptr) return nullptr;
  host::ProfileRecord* record = profile(0, 0);
  if (record == nullptr || record->directory == nullptr) return nullptr;
  return record->directory;
}

void RegisterMenuItem(ModuleHost& services, host::MenuItem& item, const char* name,
                      const char* caption, uint32_t id, host::MenuClickFn click) {
  std::memset(&item, 0, sizeof item);
  item.size = sizeof item;
  item.name = name;
  item.menuClass = host::kMenuClass;
  item.caption = caption;
  item.id = id;
  item.click = click;
  item.owner = services.Module();
  services.CallService(host::kServiceAddMenuItem, reinterpret_cast<host::Param>(&item), 0);
}

void AddMenuCallBack(ModuleHost& services) {
  services.CallService(host::kServiceAddMenuCallBack,
                       reinterpret_cast<host::Param>(host::kMenuClass),
                       reinterpret_cast<host::Param>(&MenuStateCallback));
}

}  // namespace
}  // namespace kvel

using namespace kvel;

extern "C" const host::PluginInfo* KVEL_CALL GetPluginInfo() {
  return &kPluginInfo;
}

extern "C" int32_t KVEL_CALL LoadPlugin(host::HostLink* link) {
  SetHostLink(link);
  Plugin& plugin = StartPlugin();
  // Without a data directory the plug-in makes no directory, reads no
  // settings and keeps no image cache: nothing is written anywhere else.
  const char* directory = HostDataDirectory(plugin.host);
  if (directory != nullptr) {
    std::string base = directory;
    platform::MakeDirectory((base + text::kPluginDirectory).c_str());
    const std::string settingsFile = base + text::kSettingsFile;
    ReadSettings(settingsFile.c_str(), plugin.settings);
    plugin.sendLimit.Configure(plugin.settings.speedLimitKb);
    plugin.receiveLimit.Configure(plugin.settings.speedLimitKb);
    if (plugin.settings.speedLimitKb != 0) {
      plugin.host.Log((text::kLogSpeedLimit + std::to_string(plugin.settings.speedLimitKb) +
                       text::kLogSpeedLimitUnit)
                          .c_str());
    }
    plugin.dataPath = base + text::kPluginDirectory + platform::kPathSeparator;
    // Before any transfer; the default folder is made when first needed.
    const transfers::AutoAcceptParse autoAccept =
        ReadAutoAcceptSettings(settingsFile.c_str(), plugin.dataPath);
    plugin.autoAccept.Configure(
        autoAccept.settings, plugin.dataPath + text::kAutoAcceptFolder + platform::kPathSeparator,
        plugin.dataPath);
    const std::string line = AutoAcceptLogLine(autoAccept, plugin.autoAccept.Folder());
    if (!line.empty()) plugin.host.Log(line.c_str());
    // Before the hook: no part of this run exists yet. The cache's files
    // are verified off this thread, where needed.
    images::RemoveStaleParts(plugin.dataPath);
    plugin.cacheTrust.Start(plugin.dataPath);
    // The parts cut transfers kept: those grown old or changed go now.
    transfers::PlatformTransferSide side(plugin.host, nullptr);
    plugin.keptParts.Open(plugin.dataPath + text::kKeptPartsList, side);
  } else {
    plugin.dataPath.clear();
  }

  host::HookRecord hook{};
  hook.size = sizeof hook;
  hook.protocol = host::kProtocolGG;
  hook.hook = &ProtocolHook;
  hook.owner = plugin.host.Module();
  plugin.hookHandle =
      plugin.host.CallService(host::kServiceHook, reinterpret_cast<host::Param>(&hook), 0);

  plugin.Start();

  host::MenuItem item;
  RegisterMenuItem(plugin.host, item, host::kCommandSend, text::kMenuSendCaption, host::kMenuIdSend,
                   &SendFileCommand);
  AddMenuCallBack(plugin.host);
  RegisterMenuItem(plugin.host, item, host::kCommandSendImage, text::kMenuSendImageCaption,
                   host::kMenuIdSendImage, &SendImageCommand);
  AddMenuCallBack(plugin.host);
  return 0;
}

extern "C" int32_t KVEL_CALL UnloadPlugin() {
  // A connection thread that outlives the stop (held by a question box)
  // finds no window and says nothing to the host.
  Plugin& plugin = ThePlugin();
  plugin.Stop();
  plugin.host.CallService(host::kServiceRemoveMenuCallBack,
                          reinterpret_cast<host::Param>(host::kMenuClass),
                          reinterpret_cast<host::Param>(&MenuStateCallback));
  plugin.host.CallService(host::kServiceUnhook, reinterpret_cast<host::Param>(host::kProtocolGG),
                          plugin.hookHandle);
  return 0;
}
