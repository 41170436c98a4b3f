// The listener as the loaded plug-in runs it: started by LoadPlugin on the
// configured port, handing peers to its own connection threads, stopped
// when the module goes, and started again by the next load.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "message_pump.h"
#include "support/bounded_wait.h"
#include "support/fake_connection.h"
#include "support/loopback.h"
#include "support/plugin_fixture.h"
#include "virtual_desktop.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using platform::Socket;

// Loads the plug-in listening on `port`, with the log service offered.
std::unique_ptr<LoadedPlugin> LoadListeningOn(uint16_t port) {
  // The transfer window shows and hides at once there.
  static const bool desktop = standin::EnterVirtualDesktop();
  (void)desktop;
  auto plugin = std::make_unique<LoadedPlugin>(/*start=*/false, /*offerLog=*/true);
  // No router's mapping: its log lines come at their own time.
  WriteFile(plugin->Profile() + "kvel.config",
            "[p2p]\nupnp=0\nlocal-port=" + std::to_string(port) + "\n");
  plugin->Start();
  return plugin;
}

// Calls the plug-in as a peer would, pushing a file; returns what came back
// until the plug-in closed. Runs on its own thread while this one pumps the
// window's messages.
std::vector<uint8_t> CallAndPush(uint16_t port) {
  std::vector<uint8_t> received;
  std::atomic<bool> done{false};
  testing::BoundedThread peer("the peer calling and pushing a file", [&] {
    Socket socket = ConnectLoopback(port);
    if (socket != platform::kInvalidSocket) {
      std::array<uint8_t, 8> hello = wire::EncodeCallerHello(5150, 1);
      SendAll(socket, {hello.begin(), hello.end()});
      received = ReadExactly(socket, 4);
      SendWord(socket, 2);
      // An offer that breaks off at its second word ends the receiving side.
      SendWord(socket, 1);
      SendWord(socket, 0);
      std::vector<uint8_t> rest = ReadUntilClosed(socket);
      received.insert(received.end(), rest.begin(), rest.end());
      platform::CloseSocket(socket);
    }
    done = true;
  });
  standin::PumpUntil([&] { return done.load(); }, 30000);
  peer.Join();
  return received;
}

// Each load listens and answers anew; each unload stops the listener.
TEST(PluginListener, ListensOnTheConfiguredPortLogsEveryPeerAndStopsWithTheModule) {
  StartSockets();
  const uint16_t port = FreePort();
  for (int load = 0; load < 2; ++load) {
    SCOPED_TRACE(load);
    auto plugin = LoadListeningOn(port);
    std::vector<std::string> lines = plugin->Host().LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "socket created");
    EXPECT_EQ(lines[2], "bind ok");
    EXPECT_EQ(lines[3], "listening");

    // The handshake is answered; the file stream is the file-transfer code's.
    std::vector<uint8_t> received = CallAndPush(port);
    ASSERT_GE(received.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(received.begin(), received.begin() + 4), kAnswerBytes);
    lines = plugin->Host().LogLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4].rfind("connection accepted: ", 0), 0u);
    // Written before the connection closes: the offer broke off unanswered.
    EXPECT_EQ(lines[5], "transfer ended: receive peer=5150 bytes=0 outcome=declined");
    plugin.reset();  // UnloadPlugin, then the module goes
    EXPECT_EQ(ConnectLoopback(port), platform::kInvalidSocket);
  }
}

}  // namespace
}  // namespace kvel::testing
