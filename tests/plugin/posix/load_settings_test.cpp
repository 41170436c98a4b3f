// LoadPlugin reads kvel.config from the profile directory itself; the linked
// build lets the test look at the values directly.
#include <gtest/gtest.h>

#include <filesystem>

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

TEST(LoadPluginSettings, WithoutProfileKeepsDefaultsAndNoCacheDirectory) {
  LoadedPlugin plugin(/*start=*/false);
  plugin.Host().SetProfileFunctionAvailable(false);
  plugin.Start();
  EXPECT_EQ(ThePlugin().settings.localPort, 1560);
  EXPECT_EQ(ThePlugin().dataPath, "");
}

}  // namespace
}  // namespace kvel::testing
