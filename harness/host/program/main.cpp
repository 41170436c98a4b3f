// kvel_host: the stand-in host program. It loads kvel.tpl with a profile
// directory, lets it register itself, and reports what it registered.
//
//   kvel_host.exe [--plugin PATH] [--profile DIR] [--log]
#include <windows.h>

#include <cstdio>
#include <string>

#include "plugin_module.h"
#include "stand_in_host.h"

namespace {

std::string Printable(const std::string& text) {
  // Windows-1250 bytes shown as escapes so the report reads the same anywhere.
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

void Report(const standin::PluginModule& module, standin::Host& host) {
  const kvel::host::PluginInfo* info = module.GetPluginInfo();
  std::printf("plug-in information (%u bytes)\n", info->size);
  std::printf("  name:        %s\n", Printable(info->name).c_str());
  std::printf("  versions:    0x%X 0x%X\n", info->version8, info->version12);
  std::printf("  description: %s\n", Printable(info->description).c_str());
  std::printf("  notice:      %s\n", Printable(info->notice).c_str());
  std::printf("  author:      %s <%s>\n", Printable(info->author).c_str(),
              Printable(info->contact).c_str());
  std::printf("service calls\n");
  for (const standin::ServiceCall& call : host.Calls()) {
    std::printf("  %-32s %s\n", call.service.c_str(), Printable(call.decoded).c_str());
  }
  for (const standin::RegisteredHook& hook : host.Hooks()) {
    std::printf("hook: protocol %s, handle 0x%lX\n", hook.protocol.c_str(),
                static_cast<unsigned long>(hook.handle));
  }
  for (const standin::RegisteredMenuItem& item : host.MenuItems()) {
    std::printf("menu item %u: %s \"%s\" in %s\n", item.id, item.name.c_str(),
                Printable(item.caption).c_str(), item.menuClass.c_str());
  }
  std::printf("menu callbacks registered: %zu\n", host.MenuCallbacks().size());
  std::printf("log lines\n");
  for (const std::string& line : host.LogLines()) std::printf("  %s\n", Printable(line).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string pluginPath = standin::DefaultPluginPath();
  std::string profile;
  bool offerLog = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--plugin" && i + 1 < argc)
      pluginPath = argv[++i];
    else if (arg == "--profile" && i + 1 < argc)
      profile = argv[++i];
    else if (arg == "--no-log")
      offerLog = false;
  }
  if (profile.empty()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    profile = std::string(temp) + "kvel-profile-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(profile.c_str(), nullptr);
  }
  if (profile.back() != '\\') profile += '\\';

  standin::Host host(profile);
  host.OfferLogService(offerLog);
  standin::PluginModule module;
  std::string error;
  if (!module.Load(pluginPath, &error)) {
    std::fprintf(stderr, "kvel_host: %s\n", error.c_str());
    return 1;
  }
  std::printf("loaded %s with profile %s\n", pluginPath.c_str(), profile.c_str());
  module.LoadPlugin(host.Link());
  Report(module, host);
  host.ClearCalls();
  module.UnloadPlugin();
  std::printf("unloaded; service calls of UnloadPlugin\n");
  for (const standin::ServiceCall& call : host.Calls()) {
    std::printf("  %-32s %s\n", call.service.c_str(), Printable(call.decoded).c_str());
  }
  module.Unload();
  std::fflush(stdout);
  return 0;
}
