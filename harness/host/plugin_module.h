// The plug-in as the host sees it: its three entry points. The win32 build
// loads kvel.tpl with LoadLibraryA; the native build binds the entry points
// linked into the program.
#pragma once

#include <string>

#include "host/host_api.h"

namespace standin {

class PluginModule {
 public:
  // Loads the module at `path` (ignored natively). False when it cannot be
  // loaded or lacks an entry point; `error` says why.
  bool Load(const std::string& path, std::string* error = nullptr);
  // Frees the module (win32); its process-wide objects are destroyed then.
  void Unload();
  bool Loaded() const { return loaded_; }

  const kvel::host::PluginInfo* GetPluginInfo() const { return getPluginInfo_(); }
  int32_t LoadPlugin(kvel::host::HostLink* link) const { return loadPlugin_(link); }
  int32_t UnloadPlugin() const { return unloadPlugin_(); }
  void* Handle() const { return handle_; }

 private:
  bool loaded_ = false;
  void* handle_ = nullptr;
  kvel::host::GetPluginInfoFn getPluginInfo_ = nullptr;
  kvel::host::LoadPluginFn loadPlugin_ = nullptr;
  kvel::host::UnloadPluginFn unloadPlugin_ = nullptr;
};

// The kvel.tpl beside the running program (win32), or "" natively.
std::string DefaultPluginPath();

}  // namespace standin
