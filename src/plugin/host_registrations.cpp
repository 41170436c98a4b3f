#include "plugin/host_registrations.h"

#include <cstring>

#include "common/texts.h"
#include "host/service_names.h"
#include "plugin/host_callbacks.h"

namespace kvel {
namespace {

// Adds the contact menu's item, then the menu's state callback behind it.
void RegisterMenuItem(ModuleHost& host, host::MenuItem& item, const char* name, const char* caption,
                      uint32_t id, host::MenuClickFn click) {
  std::memset(&item, 0, sizeof item);
  item.size = sizeof item;
  item.name = name;
  item.menuClass = host::kMenuClass;
  item.caption = caption;
  item.id = id;
  item.click = click;
  item.owner = host.Module();
  host.CallService(host::kServiceAddMenuItem, reinterpret_cast<host::Param>(&item), 0);
  host.CallService(host::kServiceAddMenuCallBack, reinterpret_cast<host::Param>(host::kMenuClass),
                   reinterpret_cast<host::Param>(&MenuStateCallback));
}

}  // namespace

void HostRegistrations::Hook() {
  if (hooked_) return;
  host::HookRecord hook{};
  hook.size = sizeof hook;
  hook.protocol = host::kProtocolGG;
  hook.hook = &ProtocolHook;
  hook.owner = host_.Module();
  hookHandle_ = host_.CallService(host::kServiceHook, reinterpret_cast<host::Param>(&hook), 0);
  hooked_ = true;
}

void HostRegistrations::AddMenus() {
  if (menus_) return;
  host::MenuItem item;
  RegisterMenuItem(host_, item, host::kCommandSend, text::kMenuSendCaption, host::kMenuIdSend,
                   &SendFileCommand);
  RegisterMenuItem(host_, item, host::kCommandSendImage, text::kMenuSendImageCaption,
                   host::kMenuIdSendImage, &SendImageCommand);
  menus_ = true;
}

void HostRegistrations::RemoveMenus() {
  if (!menus_) return;
  host_.CallService(host::kServiceRemoveMenuCallBack,
                    reinterpret_cast<host::Param>(host::kMenuClass),
                    reinterpret_cast<host::Param>(&MenuStateCallback));
  menus_ = false;
}

void HostRegistrations::Unhook() {
  if (!hooked_) return;
  host_.CallService(host::kServiceUnhook, reinterpret_cast<host::Param>(host::kProtocolGG),
                    hookHandle_);
  hooked_ = false;
}

}  // namespace kvel
