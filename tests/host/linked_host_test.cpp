// The typed host services as the host receives them: the records and service
// calls a LinkedHost makes, recorded and decoded by the stand-in host.
#include "host/linked_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat_windows.h"
#include "contact_list_icons.h"
#include "contact_menu.h"
#include "host/record_as.h"
#include "stand_in_host.h"
#include "support/test_paths.h"

namespace kvel::host {
namespace {

using Strings = std::vector<std::string>;
using kvel::testing::As;

class LinkedHostTest : public ::testing::Test {
 protected:
  int module_ = 0;
  kvel::testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  LinkedHost services_{host_.Link(), &module_};
};

int32_t KVEL_CALL EveryServiceExists(PluginHandle, const char*) {
  return 1;
}

TEST(LinkedHostWithoutHost, ReachesNothing) {
  int module = 0;
  HostLink empty{};   // a record without functions
  HostLink noCall{};  // one that can say what exists but not call it
  noCall.serviceExists = &EveryServiceExists;
  for (HostLink* link : {static_cast<HostLink*>(nullptr), &empty, &noCall}) {
    SCOPED_TRACE(link == nullptr ? "no record" : link == &empty ? "empty" : "no call");
    LinkedHost services(link, &module);
    MenuContext menu{};
    const char* commands[] = {"kvel/send"};
    EXPECT_FALSE(services.FindContact("1"));
    EXPECT_FALSE(services.OfferMenuItems(menu, commands));
    EXPECT_EQ(services.Log("line"), 0);
    EXPECT_EQ(services.CallService("x", 1, 2), 0);
    EXPECT_EQ(services.ServiceExists("x"), link == &noCall ? 1 : 0);
    services.SetContactIcon(1, {});
    services.RemoveContactIcon(1);
    services.ShowChatMessage({});
    const uint8_t packet[] = {1, 2, 3};
    services.SendRawPacket(packet);
    EXPECT_EQ(services.Module(), &module);
  }
}

TEST_F(LinkedHostTest, CallsTheHostAsTheModule) {
  HostLink link{};
  struct Recorder {
    static Param KVEL_CALL Call(PluginHandle module, const char*, Param wparam, Param) {
      Seen().push_back(module);
      return wparam + 1;
    }
    static int32_t KVEL_CALL Exists(PluginHandle module, const char*) {
      Seen().push_back(module);
      return 7;
    }
    static std::vector<PluginHandle>& Seen() {
      static std::vector<PluginHandle> seen;
      return seen;
    }
  };
  link.callService = &Recorder::Call;
  link.serviceExists = &Recorder::Exists;
  Recorder::Seen().clear();
  LinkedHost services(&link, &module_);
  EXPECT_EQ(services.CallService("x", 41, 0), 42);
  EXPECT_EQ(services.ServiceExists("x"), 7);
  EXPECT_EQ(Recorder::Seen(), (std::vector<PluginHandle>{&module_, &module_}));
}

TEST_F(LinkedHostTest, FindsTheContactWhoseWholeIdMatches) {
  host_.AddContact({11, "Ala", "1234", kContactKind});
  host_.AddContact({12, "Olek", "0123", kContactKind});
  host_.AddContact({13, "Group", "123", 5});  // not a contact
  host_.AddContact({14, "Ewa", "123", kContactKind});
  host_.AddContact({15, "Late", "123", kContactKind});  // the search ended at Ewa
  const struct {
    const char* id;
    Param item;  // 0: none
    const char* name;
  } cases[] = {
      {"123", 14, "Ewa"}, {"1234", 11, "Ala"}, {"0123", 12, "Olek"},
      {"12", 0, ""},      {"12345", 0, ""},    {"", 0, ""},
  };
  for (const auto& c : cases) {
    host_.ClearCalls();
    const std::optional<ContactEntry> found = services_.FindContact(c.id);
    EXPECT_EQ(found.has_value(), c.item != 0) << c.id;
    if (found) {
      EXPECT_EQ(found->item, c.item) << c.id;
      EXPECT_EQ(found->displayName, c.name) << c.id;
    }
    // One enumeration of the contacts per look-up.
    const std::vector<standin::ServiceCall> calls = host_.Calls();
    ASSERT_EQ(calls.size(), 1u) << c.id;
    EXPECT_EQ(calls[0].service, "Tlen/ContactList/EnumerateItems");
    EXPECT_EQ(calls[0].decoded, "kind=3");
    const auto enumeration = As<Enumeration>(calls[0].record);
    EXPECT_EQ(enumeration.size, sizeof(Enumeration));
    EXPECT_EQ(enumeration.kind, kContactKind);
  }
  host_.ClearCalls();
  EXPECT_FALSE(services_.FindContact(nullptr));
  EXPECT_TRUE(host_.Calls().empty());
}

TEST_F(LinkedHostTest, IconIsChangedOrAddedWithTheSameRecords) {
  standin::ContactListIcons icons(host_);
  int bitmap = 0;
  const IconPicture picture{&bitmap, 16, 12, 0x00FF00FF};
  services_.SetContactIcon(0x501, picture);  // the item has none: changed, then added
  services_.SetContactIcon(0x501, picture);  // changed only
  services_.RemoveContactIcon(0x501);
  services_.SetContactIcon(0x501, picture);  // added again
  Strings sequence;
  for (const standin::IconCall& call : icons.Calls()) {
    sequence.push_back(call.service.substr(call.service.rfind('/') + 1));
    EXPECT_EQ(call.item, 0x501);
    EXPECT_EQ(call.set, "kvel");
  }
  EXPECT_EQ(sequence, (Strings{"ChangeItemIcon", "AddItemIcons", "ChangeItemIcon", "RemoveItemIcon",
                               "ChangeItemIcon", "AddItemIcons"}));

  const std::vector<standin::IconCall> calls = icons.Calls();
  const auto icon = As<IconRecord>(calls[0].icon);
  EXPECT_EQ(icon.size, sizeof(IconRecord));
  EXPECT_EQ(icon.imageCount, kIconImageCount);
  EXPECT_EQ(icon.slot, kIconSlot);
  EXPECT_EQ(icon.style, kIconStyle);
  EXPECT_EQ(icon.shown, kIconShown);
  for (uint32_t word : icon.reserved28) EXPECT_EQ(word, 0u);
  const auto image = As<ImageRecord>(calls[0].image);
  EXPECT_EQ(image.size, sizeof(ImageRecord));
  EXPECT_EQ(image.bitmap, &bitmap);
  EXPECT_EQ(image.transparent, 0x00FF00FFu);
  EXPECT_EQ(image.width, 16);
  EXPECT_EQ(image.height, 12);
  EXPECT_EQ(image.reserved4, 0u);
  // The added icon is the changed one.
  EXPECT_EQ(calls[1].icon, calls[0].icon);
  EXPECT_EQ(calls[1].image, calls[0].image);
  const auto add = As<AddIcons>(calls[1].addIcons);
  EXPECT_EQ(add.size, sizeof(AddIcons));
  EXPECT_EQ(add.item, 0x501);
  EXPECT_EQ(add.count, 1u);
}

TEST_F(LinkedHostTest, OnlyTheNoSuchIconAnswerAddsTheIcon) {
  const struct {
    Param answer;
    Strings calls;
  } cases[] = {
      {-1, {"Tlen/ContactList/ChangeItemIcon", "Tlen/ContactList/AddItemIcons"}},
      {0, {"Tlen/ContactList/ChangeItemIcon"}},
      {1, {"Tlen/ContactList/ChangeItemIcon"}},
      {-2, {"Tlen/ContactList/ChangeItemIcon"}},
  };
  for (const auto& c : cases) {
    host_.RegisterService("Tlen/ContactList/ChangeItemIcon",
                          [&c](standin::Host&, standin::ServiceCall&) { return c.answer; });
    host_.ClearCalls();
    services_.SetContactIcon(7, {});
    EXPECT_EQ(host_.CallNames(), c.calls) << c.answer;
  }
}

TEST_F(LinkedHostTest, OffersCommandsInOrderThroughTheFunctionAskedForEachTime) {
  standin::ContactMenu menu(host_, "Tlen/ChatWindow", "12345");
  const struct {
    Strings commands;
  } cases[] = {{{"kvel/sendimage", "kvel/send"}}, {{"kvel/send"}}, {{}}};
  for (const auto& c : cases) {
    std::vector<const char*> commands;
    for (const std::string& command : c.commands) commands.push_back(command.c_str());
    menu.Build(0);  // no callbacks registered: only starts the offers anew
    host_.ClearCalls();
    EXPECT_TRUE(services_.OfferMenuItems(menu.Context(), commands));
    EXPECT_EQ(menu.Offered(), c.commands);
    EXPECT_TRUE(standin::StrayMenuOffers().empty());
    const std::vector<standin::ServiceCall> calls = host_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].service, "Tlen/GetProcAddress");
    EXPECT_EQ(calls[0].wparam, kOfferMenuItemProc);
  }
  host_.RegisterProc(kOfferMenuItemProc, 0);  // a host without the function
  menu.Build(0);
  const char* send[] = {"kvel/send"};
  EXPECT_FALSE(services_.OfferMenuItems(menu.Context(), send));
  EXPECT_TRUE(menu.Offered().empty());
}

TEST_F(LinkedHostTest, ChatMessagesCarryTheirSenderInTheFlags) {
  standin::ChatWindows chats(host_, scratch_.Path());
  const struct {
    ChatSender sender;
    uint32_t flags;
  } cases[] = {{ChatSender::Peer, kMessageFromPeer}, {ChatSender::User, kMessageFromUser}};
  for (const auto& c : cases) {
    ChatMessage message;
    message.contact = "77";
    message.senderId = "78";
    message.senderName = "Ola";
    message.time = 1700000000;
    message.html = "<b>x</b>";
    message.sender = c.sender;
    services_.ShowChatMessage(message);
    const standin::ShownMessage shown = chats.Messages().back();
    EXPECT_EQ(shown.chatSize, sizeof(ChatRecord));
    EXPECT_EQ(shown.contact, "77");
    EXPECT_EQ(shown.protocol, "GG");
    EXPECT_EQ(shown.messageSize, sizeof(MessageRecord));
    EXPECT_EQ(shown.senderId, "78");
    EXPECT_EQ(shown.senderName, "Ola");
    EXPECT_EQ(shown.time, 1700000000u);
    EXPECT_EQ(shown.html, "<b>x</b>");
    EXPECT_EQ(shown.flags, c.flags);
  }
}

TEST_F(LinkedHostTest, RawPacketsGoThroughOneProtocolCall) {
  for (size_t length : {size_t{1}, size_t{21}, size_t{1054}}) {
    std::vector<uint8_t> packet(length);
    for (size_t i = 0; i < length; ++i) packet[i] = static_cast<uint8_t>(i * 3);
    host_.ClearCalls();
    host_.ClearSentPackets();
    services_.SendRawPacket(packet);
    const std::vector<standin::ServiceCall> calls = host_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].service, "Tlen/ProtocolCallFunction");
    EXPECT_EQ(calls[0].lparam, 0);
    const auto call = As<ProtocolCall>(calls[0].record);
    EXPECT_EQ(call.size, sizeof(ProtocolCall));
    EXPECT_EQ(call.reserved16, 0u);
    const auto raw = As<RawPacket>(calls[0].extra);
    EXPECT_EQ(raw.size, sizeof(RawPacket));
    EXPECT_EQ(raw.length, length);
    EXPECT_EQ(raw.reserved12, 0u);
    EXPECT_EQ(raw.reserved16, 0u);
    EXPECT_EQ(calls[0].decoded,
              "protocol=GG function=PFSendRawData length=" + std::to_string(length));
    ASSERT_EQ(host_.SentPackets().size(), 1u);
    EXPECT_EQ(host_.SentPackets()[0].bytes, packet);
  }
}

// Each line asks for the log service first: without it, nothing is called.
TEST_F(LinkedHostTest, LogLinesGoWithTagLevelAndStyleWhileTheServiceIsThere) {
  EXPECT_EQ(services_.Log("bind ok"), 0);
  EXPECT_TRUE(host_.Calls().empty());
  host_.OfferLogService(true);
  for (const char* line : {"socket created", "connection accepted: 1234", ""}) {
    host_.ClearCalls();
    EXPECT_EQ(services_.Log(line), 1);
    std::vector<standin::ServiceCall> calls = host_.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].service, "logplugin/add");
    EXPECT_EQ(calls[0].lparam, 0);
    const auto record = As<LogRecord>(calls[0].record);
    EXPECT_EQ(record.level, 1);
    EXPECT_EQ(record.style, 0);
    for (uint8_t byte : record.reserved10) EXPECT_EQ(byte, 0);
    EXPECT_EQ(calls[0].decoded, std::string("text=") + line + " tag=vask level=1 style=0");
  }
  host_.OfferLogService(false);
  EXPECT_EQ(services_.Log("two"), 0);
  host_.OfferLogService(true);
  services_.Log("three");
  EXPECT_EQ(host_.LogLines(),
            (Strings{"socket created", "connection accepted: 1234", "", "three"}));
}

}  // namespace
}  // namespace kvel::host
