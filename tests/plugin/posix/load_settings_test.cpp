// LoadPlugin reads kvel.config from the profile directory itself: the setup
// it builds the context from is read here over the same host, and what the
// start logs is read from the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sockets.h"
#include "plugin/plugin_setup.h"
#include "router/upnp_gateway.h"
#include "support/plugin_fixture.h"

namespace kvel::testing {
namespace {

// What LoadPlugin reads over the stand-in host of `plugin`.
PluginSetup SetupOf(LoadedPlugin& plugin) {
  ModuleHost host;
  host.SetLink(plugin.Host().Link());
  return ReadPluginSetup(host);
}

// kvel.config beside the plug-in's directory, not one inside it.
TEST(LoadPluginSettings, ReadsTheFileBesideItsDirectoryOnly) {
  for (const bool beside : {true, false}) {
    LoadedPlugin plugin(/*start=*/false);
    std::filesystem::create_directory(plugin.Profile() + "kvel");
    WriteFile((beside ? plugin.Profile() : plugin.PluginDirectory()) + "kvel.config",
              "[p2p]\nlocal-port=40000\n[cl]\nicons=8\n");
    const PluginSetup setup = SetupOf(plugin);
    EXPECT_EQ(setup.settings.localPort, beside ? 40000 : 1560) << beside;
    EXPECT_EQ(setup.settings.iconMask, beside ? 8 : 15) << beside;
    EXPECT_EQ(setup.dataPath, plugin.PluginDirectory());
  }
}

// The router is asked only with the defaults: in the test run's own network
// namespace the search reaches nothing beyond loopback and finds no router
// (the log says so); turned off or forwarded by hand, nothing is asked.
TEST(LoadPluginSettings, TheRouterIsAskedOnlyWithTheDefaults) {
  const bool asks = TestNetworkIsolated();
  const struct {
    const char* file;
    bool asked;
  } cases[] = {
      {"[p2p]\nlocal-port=40001\n", asks},
      {"[p2p]\nupnp=0\n", false},
      {"[p2p]\nextern-port=1560\n", false},
      {"[p2p]\nextern-ip=81.2.3.4\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    LoadedPlugin plugin(/*start=*/false, /*offerLog=*/true);
    WriteFile(plugin.Profile() + "kvel.config", c.file);
    plugin.Start();
    plugin.Stop();  // waits for the mapping's thread
    std::vector<std::string> said;
    for (const std::string& line : plugin.Host().LogLines())
      if (line.rfind("upnp: ", 0) == 0) said.push_back(line);
    const std::string none =
        router::UpnpBuilt() ? "upnp: no router answered" : "upnp: no UPnP in this build";
    EXPECT_EQ(said, c.asked ? std::vector<std::string>{none} : std::vector<std::string>{});
  }
}

// Under test, kvel (whose defaults search the LAN for a router) reaches no
// address outside the test run's own namespace: there is no route to one.
TEST(TestNetwork, ReachesNothingButLoopback) {
  if (!TestNetworkIsolated())
    GTEST_SKIP() << "not in a network namespace of its own (scripts/test.sh makes one); the "
                    "plug-in tests write upnp=0";
  EXPECT_TRUE(platform::HasRouteTo(platform::InetAddr("127.0.0.1"), 1560));
  for (const char* outside : {"239.255.255.250", "10.77.0.1", "192.168.1.1", "185.77.0.1"})
    EXPECT_FALSE(platform::HasRouteTo(platform::InetAddr(outside), 1900)) << outside;
}

TEST(LoadPluginSettings, TrustedContactsGoToTheDefaultFolderMadeOnlyWhenNeeded) {
  LoadedPlugin plugin(/*start=*/false, /*offerLog=*/true);
  WriteFile(plugin.Profile() + "kvel.config", "[autoaccept]\nuins=1001\nmaxkb=5\n");
  EXPECT_TRUE(SetupOf(plugin).autoAccept.settings.On());
  plugin.Start();
  EXPECT_FALSE(std::filesystem::exists(plugin.PluginDirectory() + "odebrane"));
  const std::vector<std::string> log = plugin.Host().LogLines();
  EXPECT_NE(
      std::find(log.begin(), log.end(),
                "autoaccept on: contacts=1 maxkb=5 dir=" + plugin.PluginDirectory() + "odebrane/"),
      log.end());
}

}  // namespace
}  // namespace kvel::testing
