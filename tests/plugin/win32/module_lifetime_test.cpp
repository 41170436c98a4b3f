// Unloading ends the connection threads, and kvel.tpl goes when the last of
// them has ended (each holds the module while it runs, for one that outlives
// UnloadPlugin's wait).
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "all_windows.h"
#include "message_pump.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "support/plugin_fixture.h"
#include "support/test_paths.h"
#include "ui_driver.h"
#include "virtual_desktop.h"

namespace kvel::testing {
namespace {

bool PluginMapped() {
  return GetModuleHandleA("kvel.tpl") != nullptr;
}

// Loads the plug-in listening on `port`, with the log service offered.
std::unique_ptr<LoadedPlugin> LoadOn(uint16_t port) {
  standin::EnterVirtualDesktop();
  StartSockets();
  auto plugin = std::make_unique<LoadedPlugin>(/*start=*/false, /*offerLog=*/true);
  // No router's mapping: its log lines come at their own time.
  WriteFile(plugin->Profile() + "kvel.config",
            "[p2p]\nupnp=0\nlocal-port=" + std::to_string(port) + "\n");
  plugin->Start();
  return plugin;
}

TEST(ModuleLifetime, UnloadingEndsARunningConnectionAndTheModuleGoes) {
  ASSERT_FALSE(PluginMapped());
  const uint16_t port = FreePort();
  auto plugin = LoadOn(port);

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

BOOL CALLBACK NoteQuestion(HWND window, LPARAM found) {
  // Other test programs may run beside this one on the same desktop.
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  char caption[32] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (std::string(caption) == "Pytanie") *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

// True while a question box of this process is open.
bool QuestionOpen() {
  bool found = false;
  standin::EnumAllTopLevelWindows(&NoteQuestion, reinterpret_cast<LPARAM>(&found));
  return found;
}

TEST(ModuleLifetime, AThreadHeldByAQuestionOutlivesUnloadingQuietly) {
  const uint16_t port = FreePort();
  auto plugin = LoadOn(port);

  // A whole offer: the connection's thread asks its user and waits there.
  platform::Socket peer = ConnectLoopback(port);
  ASSERT_NE(peer, platform::kInvalidSocket);
  // Hello (caller 1, called 4), code 2, then the offer's four words and the
  // file's description naming "a".
  std::vector<uint8_t> offer;
  for (uint32_t word : {1u, 4u, 2u, 1u, 3u, 0u, 0u})
    offer.insert(offer.end(), {static_cast<uint8_t>(word), 0, 0, 0});
  offer.resize(offer.size() + 320);
  offer[28 + 44] = 'a';
  ASSERT_TRUE(SendAll(peer, offer));
  ASSERT_EQ(ReadExactly(peer, 4), kAnswerBytes);
  ASSERT_TRUE(standin::PumpUntil(&QuestionOpen, 30000));

  // UnloadPlugin waits its bounded time and returns; the module stays for
  // the thread, and the host is gone.
  plugin.reset();
  EXPECT_TRUE(PluginMapped());
  uint8_t byte;
  EXPECT_EQ(platform::ReceiveSome(peer, &byte, 1), 0);  // the transfer was stopped

  // Answered now, the thread ends without a word to anybody, and the module goes.
  standin::UiDriver user;
  EXPECT_TRUE(standin::PumpUntil([] { return !PluginMapped(); }, 30000));
  platform::CloseSocket(peer);
}

}  // namespace
}  // namespace kvel::testing
