// The router's port mapping bound to the plug-in: its settings, its data
// directory, the host's log and the platform's clock.
#include <cstring>

#include "platform/threads/threads.h"
#include "plugin/plugin_parts.h"
#include "plugin/bindings/production_bindings.h"
#include "router/router_texts.h"
#include "router/upnp_gateway.h"

namespace kvel {
namespace {

// A user who set extern-ip or extern-port forwarded the port by hand.
bool ForwardedByHand(const Settings& settings) {
  return std::strcmp(settings.externIp, "0.0.0.0") != 0 || settings.externPort != 0;
}

}  // namespace

void StartPortMapping(PluginParts& plugin) {
  // Turned off, or forwarded by hand: the user's own choice, which the
  // router never hears of.
  if (!plugin.settings.upnp || ForwardedByHand(plugin.settings)) return;
  if (!router::UpnpBuilt()) {
    plugin.host.Log(text::kLogUpnpNotBuilt);
    return;
  }
  router::MappingSetup setup;
  setup.plan.localPort = plugin.settings.localPort;
  if (!plugin.dataPath.empty())
    setup.rememberedPath = plugin.dataPath + text::kRememberedRouterFile;
  setup.makeGateway = [] { return std::shared_ptr<router::Gateway>(router::MakeUpnpGateway()); };
  setup.log = [host = &plugin.host](const std::string& line) { host->Log(line.c_str()); };
  setup.clock = &platform::TickCount;
  plugin.portMapping.Start(std::move(setup));
}

}  // namespace kvel
