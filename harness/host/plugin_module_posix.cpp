#include "plugin/plugin_info.h"
#include "plugin/plugin_context.h"
#include "plugin_module.h"

namespace standin {

// Natively the plug-in is linked in and never mapped or unmapped: Unload
// stands in for the module's detach and the next attach, ending the
// plug-in's context as the static destructors would and making a fresh one.
bool PluginModule::Load(const std::string&, std::string*) {
  getPluginInfo_ = &::GetPluginInfo;
  loadPlugin_ = &::LoadPlugin;
  unloadPlugin_ = &::UnloadPlugin;
  loaded_ = true;
  return true;
}

void PluginModule::Unload() {
  kvel::StartPlugin({});
  loaded_ = false;
}

std::string DefaultPluginPath() {
  return std::string();
}

}  // namespace standin
