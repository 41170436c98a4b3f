// The functions the host calls back, through the plug-in's entry points: the
// menu callback LoadPlugin registered, the click functions of its menu items
// and the protocol hook given missing records.
#include "plugin/host_callbacks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contact_menu.h"
#include "gg/hook_dispatch.h"
#include "support/plugin_fixture.h"

namespace kvel {
namespace {

using Strings = std::vector<std::string>;

// The callback LoadPlugin registered offers the commands and their clicks
// run (which places and protocols get which: MenuStateTest).
TEST(MenuThroughEntryPoints, RegisteredCallbackOffersAndClicksRun) {
  testing::LoadedPlugin plugin;
  standin::ContactMenu list(plugin.Host(), "Tlen/ContactList", "12345");
  EXPECT_EQ(list.Build(), std::vector<int32_t>{1});
  EXPECT_EQ(list.Offered(), Strings{"kvel/send"});
  // An unknown contact: the command finds no address and does nothing.
  plugin.Host().ClearCalls();
  int32_t result = -1;
  EXPECT_TRUE(list.Click("kvel/send", &result));
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(plugin.Host().SentPackets().empty());
}

TEST(HookThroughEntryPoints, MissingRecordsPassOn) {
  host::EventRecord event{};
  event.code = 99;
  host::PacketRef empty{};
  EXPECT_EQ(ProtocolHook(nullptr, nullptr), gg::kPassOn);
  EXPECT_EQ(ProtocolHook(&event, nullptr), gg::kPassOn);
  EXPECT_EQ(ProtocolHook(&event, &empty), gg::kPassOn);
  event.code = gg::kEventReceived;
  empty.length = 100;  // a length without bytes
  EXPECT_EQ(ProtocolHook(&event, &empty), gg::kPassOn);
}

}  // namespace
}  // namespace kvel
