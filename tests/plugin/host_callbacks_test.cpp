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

TEST(MenuThroughEntryPoints, RegisteredCallbackOffersAndClicksRun) {
  testing::LoadedPlugin plugin;
  standin::ContactMenu chat(plugin.Host(), "Tlen/ChatWindow", "12345");
  EXPECT_EQ(chat.Build(), std::vector<int32_t>{1});
  EXPECT_EQ(chat.Offered(), (Strings{"kvel/sendimage", "kvel/send"}));
  standin::ContactMenu list(plugin.Host(), "Tlen/ContactList", "12345");
  list.Build();
  EXPECT_EQ(list.Offered(), Strings{"kvel/send"});
  standin::ContactMenu other(plugin.Host(), "Tlen/ChatWindow", "12345", "Tlen");
  EXPECT_EQ(other.Build(), std::vector<int32_t>{0});
  EXPECT_TRUE(other.Offered().empty());
  // An unknown contact: the command finds no address and does nothing.
  plugin.Host().ClearCalls();
  int32_t result = -1;
  EXPECT_TRUE(list.Click("kvel/send", &result));
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(plugin.Host().SentPackets().empty());
}

TEST(MenuThroughEntryPoints, EveryMenuAsksForTheOfferFunctionOnce) {
  testing::LoadedPlugin plugin;
  const struct {
    const char* place;
    const char* protocol;
    int32_t event;
    size_t asked;
  } cases[] = {
      {"Tlen/ChatWindow", "GG", 1, 1},
      {"Tlen/ContactList", "GG", 1, 1},
      {"Tlen/ContactList", "Tlen", 1, 1},  // asked, though nothing is offered
      {"Tlen/ContactList", "GG", 2, 0},    // no menu being built
  };
  for (const auto& c : cases) {
    standin::ContactMenu menu(plugin.Host(), c.place, "12345", c.protocol);
    plugin.Host().ClearCalls();
    menu.Build(c.event);
    EXPECT_EQ(plugin.Host().CallNames(), Strings(c.asked, "Tlen/GetProcAddress"))
        << c.place << " " << c.protocol << " " << c.event;
  }
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
