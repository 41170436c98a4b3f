// kvel.tpl stays mapped while one of its connection threads runs, even after
// the host has unloaded it, and goes when the last thread ends.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "message_pump.h"
#include "support/loopback.h"
#include "support/plugin_fixture.h"
#include "virtual_desktop.h"

namespace kvel::testing {
namespace {

bool PluginMapped() {
  return GetModuleHandleA("kvel.tpl") != nullptr;
}

TEST(ModuleLifetime, ARunningConnectionThreadKeepsTheModuleUntilItEnds) {
  standin::EnterVirtualDesktop();
  StartSockets();
  ASSERT_FALSE(PluginMapped());
  const uint16_t port = FreePort();
  auto plugin = std::make_unique<LoadedPlugin>(/*start=*/false, /*offerLog=*/true);
  WriteFile(plugin->Profile() + "kvel.config", "[p2p]\nlocal-port=" + std::to_string(port) + "\n");
  plugin->Start();

  // A peer that stops in the middle of the handshake holds its thread.
  platform::Socket peer = ConnectLoopback(port);
  ASSERT_NE(peer, platform::kInvalidSocket);
  ASSERT_TRUE(SendAll(peer, {1, 0, 0, 0}));
  ASSERT_TRUE(standin::PumpUntil([&] { return plugin->Host().LogLines().size() == 5; }));

  plugin.reset();  // UnloadPlugin and FreeLibrary
  EXPECT_TRUE(PluginMapped());

  platform::CloseSocket(peer);
  EXPECT_TRUE(standin::PumpUntil([] { return !PluginMapped(); }));
}

}  // namespace
}  // namespace kvel::testing
