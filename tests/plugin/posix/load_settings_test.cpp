// LoadPlugin reads kvel.config from the profile directory itself; the linked
// build lets the test look at the values directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin/plugin_context.h"
#include "support/plugin_fixture.h"

namespace kvel::testing {
namespace {

TEST(LoadPluginSettings, ReadsTheFileBesideItsDirectory) {
  LoadedPlugin plugin(/*start=*/false);
  WriteFile(plugin.Profile() + "kvel.config", "[p2p]\nlocal-port=40000\n[cl]\nicons=8\n");
  plugin.Start();
  EXPECT_EQ(ThePlugin().settings.localPort, 40000);
  EXPECT_EQ(ThePlugin().settings.iconMask, 8);
  EXPECT_EQ(ThePlugin().dataPath, plugin.PluginDirectory());
}

TEST(LoadPluginSettings, IgnoresAFileInsideItsDirectory) {
  LoadedPlugin plugin(/*start=*/false);
  std::filesystem::create_directory(plugin.Profile() + "kvel");
  WriteFile(plugin.PluginDirectory() + "kvel.config", "[p2p]\nlocal-port=2000\n");
  plugin.Start();
  EXPECT_EQ(ThePlugin().settings.localPort, 1560);
  EXPECT_STREQ(ThePlugin().settings.externIp, "0.0.0.0");
  EXPECT_EQ(ThePlugin().settings.externPort, 0);
  EXPECT_EQ(ThePlugin().settings.iconMask, 15);
}

TEST(LoadPluginSettings, TrustedContactsGoToTheDefaultFolderMadeOnlyWhenNeeded) {
  LoadedPlugin plugin(/*start=*/false, /*offerLog=*/true);
  WriteFile(plugin.Profile() + "kvel.config", "[autoaccept]\nuins=1001\nmaxkb=5\n");
  plugin.Start();
  EXPECT_TRUE(ThePlugin().autoAccept.On());
  EXPECT_EQ(ThePlugin().autoAccept.Folder(), plugin.PluginDirectory() + "odebrane/");
  EXPECT_FALSE(std::filesystem::exists(plugin.PluginDirectory() + "odebrane"));
  const std::vector<std::string> log = plugin.Host().LogLines();
  EXPECT_NE(
      std::find(log.begin(), log.end(),
                "autoaccept on: contacts=1 maxkb=5 dir=" + plugin.PluginDirectory() + "odebrane/"),
      log.end());
}

TEST(LoadPluginSettings, AMalformedSectionIsOffWithALogLine) {
  LoadedPlugin plugin(/*start=*/false, /*offerLog=*/true);
  WriteFile(plugin.Profile() + "kvel.config", "[autoaccept]\nuins=1001\ndir=odebrane\n");
  plugin.Start();
  EXPECT_FALSE(ThePlugin().autoAccept.On());
  const std::vector<std::string> log = plugin.Host().LogLines();
  EXPECT_NE(
      std::find(log.begin(), log.end(), "autoaccept off: dir: not an absolute folder: odebrane"),
      log.end());
}

TEST(LoadPluginSettings, WithoutProfileKeepsDefaultsAndNoCacheDirectory) {
  LoadedPlugin plugin(/*start=*/false);
  plugin.Host().SetProfileFunctionAvailable(false);
  plugin.Start();
  EXPECT_EQ(ThePlugin().settings.localPort, 1560);
  EXPECT_EQ(ThePlugin().dataPath, "");
}

}  // namespace
}  // namespace kvel::testing
