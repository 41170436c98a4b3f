#include "support/plugin_fixture.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/sockets.h"

namespace kvel::testing {
namespace {

// Outside a network namespace of the test run's own, where the LAN can be
// reached, the plug-in must not search it for a router: the profile's
// settings then say upnp=0.
void KeepRouterSearchesInside(const std::string& config) {
  if (TestNetworkIsolated()) return;
  std::string text;
  ReadFile(config, &text);
  const size_t section = text.find("[p2p]");
  const size_t line = section == std::string::npos ? section : text.find('\n', section);
  if (line == std::string::npos)
    text += "\n[p2p]\nupnp=0\n";
  else
    text.insert(line + 1, "upnp=0\n");
  WriteFile(config, text);
}

}  // namespace

bool TestNetworkIsolated() {
  return !platform::HasRouteTo(platform::InetAddr("239.255.255.250"), 1900);
}

LoadedPlugin::LoadedPlugin(bool start, bool offerLog)
    : host_(std::make_unique<standin::Host>(scratch_.Path())) {
  host_->OfferLogService(offerLog);
  std::string error;
  if (!module_.Load(standin::DefaultPluginPath(), &error)) ADD_FAILURE() << error;
  if (start) Start();
}

LoadedPlugin::~LoadedPlugin() {
  if (started_) Stop();
  module_.Unload();
}

void LoadedPlugin::Start() {
  KeepRouterSearchesInside(Profile() + "kvel.config");
  module_.LoadPlugin(host_->Link());
  started_ = true;
}

void LoadedPlugin::Stop() {
  module_.UnloadPlugin();
  started_ = false;
}

std::string LoadedPlugin::PluginDirectory() const {
  return scratch_.Path() + "kvel" + platform::kPathSeparator;
}

}  // namespace kvel::testing
