// Unloading ends the connection threads, and kvel.tpl goes when the last of
// them has ended (each holds the module while it runs, for one that outlives
// UnloadPlugin's wait).
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

TEST(ModuleLifetime, UnloadingEndsARunningConnectionAndTheModuleGoes) {
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

  plugin.reset();  // UnloadPlugin stops the connection, then FreeLibrary
  EXPECT_TRUE(standin::PumpUntil([] { return !PluginMapped(); }));
  uint8_t byte;
  EXPECT_EQ(platform::ReceiveSome(peer, &byte, 1), 0);  // closed by the plug-in
  platform::CloseSocket(peer);
}

}  // namespace
}  // namespace kvel::testing
