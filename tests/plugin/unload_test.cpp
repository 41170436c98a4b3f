// UnloadPlugin with transfers running: it stops them, waits for their
// threads, and nothing of them reaches the host afterwards.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contact_menu.h"
#include "gg/test_packets.h"
#include "platform/sockets.h"
#include "support/loopback.h"
#include "support/plugin_fixture.h"
#include "support/test_paths.h"
#include "wait_until.h"
#include "wire/handshake.h"

namespace kvel::testing {
namespace {

using platform::Socket;

// A peer that pushes a file and stalls after the offer's first word: the
// plug-in's connection thread waits for the rest of the offer.
Socket StalledPush(uint16_t port, uint32_t callerUin) {
  Socket peer = ConnectLoopback(port);
  if (peer == platform::kInvalidSocket) return peer;
  std::array<uint8_t, 8> hello = wire::EncodeCallerHello(callerUin, 1);
  SendAll(peer, {hello.begin(), hello.end()});
  if (ReadExactly(peer, 4).size() != 4) return peer;
  SendWord(peer, 2);
  SendWord(peer, 1);
  return peer;
}

// Loads the plug-in, with the log service, listening on `port`; with
// `contactPort`, Bolek (1002) is listed and his status announces that port.
std::unique_ptr<LoadedPlugin> Load(uint16_t port, std::optional<uint16_t> contactPort = {}) {
  StartSockets();
  auto plugin = std::make_unique<LoadedPlugin>(/*start=*/false, /*offerLog=*/true);
  WriteFile(plugin->Profile() + "kvel.config", "[p2p]\nlocal-port=" + std::to_string(port) + "\n");
  if (contactPort) plugin->Host().AddContact({0x502, "Bolek", "1002", 3});
  plugin->Start();
  if (contactPort) {
    gg::testing::Bytes status = gg::testing::Packet(
        15, gg::testing::StatusEntryBytes(1002, 2, gg::testing::Ip(127, 0, 0, 1), *contactPort));
    plugin->Host().DeliverGGEvent(4, status);
  }
  return plugin;
}

TEST(UnloadPlugin, StopsRunningTransfersAndLeavesNothingForAfter) {
  const uint16_t port = FreePort();
  std::unique_ptr<LoadedPlugin> plugin = Load(port);
  std::vector<Socket> peers;
  for (uint32_t uin : {5150u, 5151u}) {
    peers.push_back(StalledPush(port, uin));
    ASSERT_NE(peers.back(), platform::kInvalidSocket);
  }

  plugin->Stop();  // UnloadPlugin
  const size_t calls = plugin->Host().Calls().size();
  for (Socket peer : peers) {
    // Closed by the plug-in: the read ends at once rather than after 20 s.
    platform::SetTimeout(peer, platform::Timeout::Receive, 20000);
    uint8_t byte;
    EXPECT_EQ(platform::ReceiveSome(peer, &byte, 1), 0);
    platform::CloseSocket(peer);
  }
  EXPECT_EQ(plugin->Host().Calls().size(), calls);
  for (const std::string& line : plugin->Host().LogLines())
    EXPECT_EQ(line.find("transfer ended"), std::string::npos) << line;
}

// A send that waits for its contact to call back (asked at the click, or
// after the direct connection was refused), or for its turn among the
// contact's sends, ends at once as the plug-in is unloaded, once UnloadPlugin
// returns: no box, no log line, nothing reaches the host afterwards.
TEST(UnloadPlugin, EndsTheSendsWaitingForACallBackOrTheirTurnWithoutAWord) {
  const struct Case {
    const char* name;
    uint16_t contactPort;  // as the contact's status announces it
    int clicks;
    size_t asked;  // requests to call back: the sends that took their turns
  } cases[] = {
      {"asked to call back", 1, 1, 1},
      {"refused", FreePort(), 1, 1},
      {"past the contact's turns", 1, 5, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<LoadedPlugin> plugin = Load(FreePort(), c.contactPort);
    for (int click = 0; click < c.clicks; ++click) {
      standin::ContactMenu menu(plugin->Host(), "Tlen/ContactList", "1002");
      menu.Build();
      ASSERT_TRUE(menu.Click("kvel/send"));
    }
    // The requests to call back are sent, at the click or once refused.
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return plugin->Host().SentPackets().size() >= c.asked; }, 10000));
    for (const standin::SentPacket& packet : plugin->Host().SentPackets())
      EXPECT_EQ(packet.bytes.size(), 21u);

    plugin->Stop();  // UnloadPlugin
    EXPECT_EQ(plugin->Host().SentPackets().size(), c.asked);
    for (const std::string& line : plugin->Host().LogLines())
      EXPECT_EQ(line.find("not connected"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace kvel::testing
