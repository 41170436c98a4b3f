// GetPluginInfo, LoadPlugin and UnloadPlugin: the order in which the plug-in
// comes to life in the host and is taken down again.
#include <cstring>
#include <string>

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

const host::PluginInfo kPluginInfo = {sizeof(host::PluginInfo),
                                      text::kPluginName,
                                      0x10501,
                                      0x101,
                                      text::kDescription,
                                      text::kNotice,
                                      text::kAuthor,
                                      text::kAuthorContact,
                                      "",
                                      {0, 0, 0, 0}};

// The host's data directory (ending in a separator), or null when the host
// yields no function, no record or no text.
const char* HostDataDirectory() {
  auto profile = reinterpret_cast<host::ProfileFn>(
      CallService(host::kServiceGetProcAddress, host::kProfileProc, 0));
  if (profile == nullptr) return nullptr;
  host::ProfileRecord* record = profile(0, 0);
  if (record == nullptr || record->directory == nullptr) return nullptr;
  return record->directory;
}

void RegisterMenuItem(host::MenuItem& item, const char* name, const char* caption, uint32_t id,
                      host::MenuClickFn click) {
  std::memset(&item, 0, sizeof item);
  item.size = sizeof item;
  item.name = name;
  item.menuClass = host::kMenuClass;
  item.caption = caption;
  item.id = id;
  item.click = click;
  item.owner = PluginId();
  CallService(host::kServiceAddMenuItem, reinterpret_cast<host::Param>(&item), 0);
}

void AddMenuCallBack() {
  CallService(host::kServiceAddMenuCallBack, reinterpret_cast<host::Param>(host::kMenuClass),
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
  const char* directory = HostDataDirectory();
  if (directory != nullptr) {
    std::string base = directory;
    platform::MakeDirectory((base + text::kPluginDirectory).c_str());
    ReadSettings((base + text::kSettingsFile).c_str(), plugin.settings);
    plugin.dataPath = base + text::kPluginDirectory + platform::kPathSeparator;
  } else {
    plugin.dataPath.clear();
  }

  host::HookRecord hook{};
  hook.size = sizeof hook;
  hook.protocol = host::kProtocolGG;
  hook.hook = &ProtocolHook;
  hook.owner = PluginId();
  plugin.hookHandle = CallService(host::kServiceHook, reinterpret_cast<host::Param>(&hook), 0);

  plugin.Start();

  host::MenuItem item;
  RegisterMenuItem(item, host::kCommandSend, text::kMenuSendCaption, 100100, &SendFileCommand);
  AddMenuCallBack();
  RegisterMenuItem(item, host::kCommandSendImage, text::kMenuSendImageCaption, 100101,
                   &SendImageCommand);
  AddMenuCallBack();
  return 0;
}

extern "C" int32_t KVEL_CALL UnloadPlugin() {
  // A connection thread that outlives the stop (held by a question box)
  // finds no window and says nothing to the host.
  Plugin& plugin = ThePlugin();
  plugin.Stop();
  CallService(host::kServiceRemoveMenuCallBack, reinterpret_cast<host::Param>(host::kMenuClass),
              reinterpret_cast<host::Param>(&MenuStateCallback));
  CallService(host::kServiceUnhook, reinterpret_cast<host::Param>(host::kProtocolGG),
              plugin.hookHandle);
  return 0;
}
