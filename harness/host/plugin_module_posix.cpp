#include "images/pending_images.h"
#include "plugin/data_path.h"
#include "plugin/plugin_info.h"
#include "plugin/process_listener.h"
#include "plugin/process_peers.h"
#include "plugin/settings.h"
#include "plugin_module.h"

namespace standin {

// Natively the plug-in is linked in and never mapped or unmapped: Load and
// Unload stand in for the module's attach and detach, putting the
// process-wide objects back to their state at module load and taking them
// down as the static destructors would.
bool PluginModule::Load(const std::string&, std::string*) {
  kvel::CurrentSettings() = kvel::Settings{};
  kvel::SetDataPath("c:\\");
  getPluginInfo_ = &::GetPluginInfo;
  loadPlugin_ = &::LoadPlugin;
  unloadPlugin_ = &::UnloadPlugin;
  loaded_ = true;
  return true;
}

void PluginModule::Unload() {
  kvel::ProcessListener().Stop();
  kvel::images::ClearPendingImages();
  kvel::ProcessUserDB().ClearUsers();
  kvel::ProcessUserDB().Bitmaps().Release();
  loaded_ = false;
}

std::string DefaultPluginPath() {
  return std::string();
}

}  // namespace standin
