#include <windows.h>

#include "plugin_module.h"

namespace standin {

bool PluginModule::Load(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    if (error)
      *error = "LoadLibraryA failed for " + path + ", error " + std::to_string(GetLastError());
    return false;
  }
  getPluginInfo_ = reinterpret_cast<kvel::host::GetPluginInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "GetPluginInfo")));
  loadPlugin_ = reinterpret_cast<kvel::host::LoadPluginFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "LoadPlugin")));
  unloadPlugin_ = reinterpret_cast<kvel::host::UnloadPluginFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "UnloadPlugin")));
  if (!getPluginInfo_ || !loadPlugin_ || !unloadPlugin_) {
    if (error) *error = "an entry point is missing in " + path;
    FreeLibrary(module);
    return false;
  }
  handle_ = module;
  loaded_ = true;
  return true;
}

void PluginModule::Unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
  loaded_ = false;
}

std::string DefaultPluginPath() {
  char buffer[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path = buffer;
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "kvel.tpl";
}

}  // namespace standin
