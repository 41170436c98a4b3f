// UnloadPlugin with transfers running: it stops them, waits for their
// threads, and nothing of them reaches the host afterwards.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "contact_menu.h"
#include "gg/test_packets.h"
#include "platform/sockets.h"
#include "platform/threads/threads.h"
#include "support/loopback.h"
#include "support/plugin_fixture.h"
#include "support/test_paths.h"
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

TEST(UnloadPlugin, StopsRunningTransfersAndLeavesNothingForAfter) {
  StartSockets();
  const uint16_t port = FreePort();
  LoadedPlugin plugin(/*start=*/false, /*offerLog=*/true);
  WriteFile(plugin.Profile() + "kvel.config", "[p2p]\nlocal-port=" + std::to_string(port) + "\n");
  plugin.Start();
  std::vector<Socket> peers;
  for (uint32_t uin : {5150u, 5151u}) {
    peers.push_back(StalledPush(port, uin));
    ASSERT_NE(peers.back(), platform::kInvalidSocket);
  }

  plugin.Stop();  // UnloadPlugin
  const size_t calls = plugin.Host().Calls().size();
  for (Socket peer : peers) {
    // Closed by the plug-in: the read ends at once rather than after 20 s.
    platform::SetReceiveTimeout(peer, 20000);
    uint8_t byte;
    EXPECT_EQ(platform::ReceiveSome(peer, &byte, 1), 0);
    platform::CloseSocket(peer);
  }
  EXPECT_EQ(plugin.Host().Calls().size(), calls);
  for (const std::string& line : plugin.Host().LogLines())
    EXPECT_EQ(line.find("transfer ended"), std::string::npos) << line;
}

// A send that waits for its contact to call back (asked at the click, or
// after the direct connection was refused) ends at once as the plug-in is
// unloaded: no box, no log line, nothing reaches the host afterwards.
TEST(UnloadPlugin, EndsASendWaitingForACallBackWithoutAWord) {
  StartSockets();
  struct Case {
    const char* name;
    uint16_t contactPort;  // as the contact's status announces it
  };
  for (const Case& c : {Case{"asked to call back", 1}, Case{"refused", FreePort()}}) {
    SCOPED_TRACE(c.name);
    LoadedPlugin plugin(/*start=*/false, /*offerLog=*/true);
    WriteFile(plugin.Profile() + "kvel.config",
              "[p2p]\nlocal-port=" + std::to_string(FreePort()) + "\n");
    plugin.Host().AddContact({0x502, "Bolek", "1002", 3});
    plugin.Start();
    gg::testing::Bytes status = gg::testing::Packet(
        15, gg::testing::StatusEntryBytes(1002, 2, gg::testing::Ip(127, 0, 0, 1), c.contactPort));
    plugin.Host().DeliverGGEvent(4, status);
    standin::ContactMenu menu(plugin.Host(), "Tlen/ContactList", "1002");
    menu.Build();
    ASSERT_TRUE(menu.Click("kvel/send"));
    // The request to call back is sent, at the click or once refused.
    for (int waited = 0; plugin.Host().SentPackets().empty() && waited < 10000; waited += 10)
      platform::SleepMilliseconds(10);
    ASSERT_EQ(plugin.Host().SentPackets().size(), 1u);
    EXPECT_EQ(plugin.Host().SentPackets()[0].bytes.size(), 21u);

    plugin.Stop();  // UnloadPlugin
    const size_t calls = plugin.Host().Calls().size();
    platform::SleepMilliseconds(300);
    EXPECT_EQ(plugin.Host().Calls().size(), calls);
    for (const std::string& line : plugin.Host().LogLines())
      EXPECT_EQ(line.find("not connected"), std::string::npos) << line;
  }
}

// Sends past the contact's turns wait in the window, asking for nothing;
// unloading ends them all at once, as it ends the waits for call-backs.
TEST(UnloadPlugin, EndsTheSendsWaitingTheirTurnWithoutAWord) {
  StartSockets();
  LoadedPlugin plugin(/*start=*/false, /*offerLog=*/true);
  WriteFile(plugin.Profile() + "kvel.config",
            "[p2p]\nlocal-port=" + std::to_string(FreePort()) + "\n");
  plugin.Host().AddContact({0x502, "Bolek", "1002", 3});
  plugin.Start();
  gg::testing::Bytes status = gg::testing::Packet(
      15, gg::testing::StatusEntryBytes(1002, 2, gg::testing::Ip(127, 0, 0, 1), 1));
  plugin.Host().DeliverGGEvent(4, status);
  for (int click = 0; click < 5; ++click) {
    standin::ContactMenu menu(plugin.Host(), "Tlen/ContactList", "1002");
    menu.Build();
    ASSERT_TRUE(menu.Click("kvel/send"));
  }
  // Three take their turns and ask the contact to call back; two wait.
  EXPECT_EQ(plugin.Host().SentPackets().size(), 3u);

  plugin.Stop();  // UnloadPlugin
  const size_t calls = plugin.Host().Calls().size();
  platform::SleepMilliseconds(300);
  EXPECT_EQ(plugin.Host().Calls().size(), calls);
  EXPECT_EQ(plugin.Host().SentPackets().size(), 3u);
  for (const std::string& line : plugin.Host().LogLines())
    EXPECT_EQ(line.find("not connected"), std::string::npos) << line;
}

TEST(UnloadPlugin, ALaterLoadTakesConnectionsAgain) {
  StartSockets();
  const uint16_t port = FreePort();
  LoadedPlugin plugin(/*start=*/false);
  WriteFile(plugin.Profile() + "kvel.config", "[p2p]\nlocal-port=" + std::to_string(port) + "\n");
  plugin.Start();
  plugin.Stop();
  plugin.Start();
  Socket peer = ConnectLoopback(port);
  ASSERT_NE(peer, platform::kInvalidSocket);
  std::array<uint8_t, 8> hello = wire::EncodeCallerHello(5150, 1);
  ASSERT_TRUE(SendAll(peer, {hello.begin(), hello.end()}));
  EXPECT_EQ(ReadExactly(peer, 4), (std::vector<uint8_t>{'U', 'D', 'A', 'G'}));
  platform::CloseSocket(peer);
}

}  // namespace
}  // namespace kvel::testing
