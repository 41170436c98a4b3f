// The protocol hook and the icons through the plug-in's entry points: GG events
// delivered by the stand-in host, packets it captured and the icon records
// it was given (the DLL under Wine, the linked code natively).
#include <gtest/gtest.h>

#include <memory>

#include "contact_list_icons.h"
#include "gg/local_address.h"
#include "gg/test_packets.h"
#include "platform/host_address.h"
#include "support/plugin_fixture.h"
#include "wire/image_packets.h"

namespace kvel::gg {
namespace {
using namespace gg::testing;
using Lines = std::vector<std::string>;

class PluginHookTest : public ::testing::Test {
 protected:
  // Loads the plug-in with `config` as its kvel.config and three contacts.
  void Start(const std::string& config) {
    plugin_ = std::make_unique<kvel::testing::LoadedPlugin>(/*start=*/false);
    if (!config.empty()) kvel::testing::WriteFile(plugin_->Profile() + "kvel.config", config);
    icons_ = std::make_unique<standin::ContactListIcons>(plugin_->Host());
    plugin_->Host().AddContact({0x501, "Ala", "1001", 3});
    plugin_->Host().AddContact({0x502, "Bolek", "1002", 3});
    plugin_->Host().AddContact({0x503, "Cezary", "1003", 3});
    plugin_->Start();
  }
  int32_t Deliver(uint32_t code, Bytes packet) {
    return plugin_->Host().DeliverGGEvent(code, packet);
  }
  int32_t Status(uint32_t uin, uint8_t status, uint16_t port) {
    return Deliver(4, Packet(15, StatusEntryBytes(uin, status, Ip(127, 0, 0, 1), port)));
  }
  Lines Icons() {
    Lines out;
    for (const standin::IconCall& call : icons_->Calls()) {
      out.push_back(call.service.substr(call.service.rfind('/') + 1) + " " +
                    std::to_string(call.item));
    }
    return out;
  }

  std::unique_ptr<kvel::testing::LoadedPlugin> plugin_;
  std::unique_ptr<standin::ContactListIcons> icons_;
};

// The login is taken over and sent again with the configured ports (the
// rewrite byte by byte: protocol_hook_test); one with an address passes on.
TEST_F(PluginHookTest, LoginIsSentAgainWithTheConfiguredPortsAndTakenOver) {
  Start("[p2p]\nextern-ip=127.0.0.1\nextern-port=1551\n");
  const Bytes login = Login(0x40003039, 0);
  EXPECT_EQ(Deliver(7, login), -1);
  std::vector<standin::SentPacket> sent = plugin_->Host().SentPackets();
  ASSERT_EQ(sent.size(), 1u);
  Bytes fields;
  PutIp(fields, ChooseLocalAddress(platform::LocalHostAddresses()));
  PutLe16(fields, 1560);
  PutIp(fields, Ip(127, 0, 0, 1));
  PutLe16(fields, 1551);
  EXPECT_EQ(Bytes(sent[0].bytes.begin() + 25, sent[0].bytes.begin() + 37), fields);
  plugin_->Host().ClearSentPackets();
  EXPECT_EQ(Deliver(7, Login(0x3039, Ip(10, 0, 0, 1))), 0);
  EXPECT_TRUE(plugin_->Host().SentPackets().empty());
}

// The records themselves: linked_host_test; which picture each state shows,
// each loaded once: UserDBTest.
TEST_F(PluginHookTest, IconRecordsCarryTheStatePicture) {
  Start("");
  EXPECT_EQ(Status(1001, 2, 1550), 0);
  EXPECT_EQ(Icons(), (Lines{"ChangeItemIcon 1281", "AddItemIcons 1281"}));
  std::optional<standin::IconPicture> green = icons_->Current(0x501);
  ASSERT_TRUE(green);
  EXPECT_NE(green->bitmap, 0);
  EXPECT_EQ(green->transparent, 0x00FF00FFu);
  EXPECT_EQ(green->width, 16);
  EXPECT_EQ(green->height, 16);

  // A second status changes the icon once, to another picture.
  icons_->ClearCalls();
  EXPECT_EQ(Status(1001, 2, 0), 0);
  EXPECT_EQ(Icons(), (Lines{"ChangeItemIcon 1281"}));
  ASSERT_TRUE(icons_->Current(0x501));
  EXPECT_NE(icons_->Current(0x501)->bitmap, green->bitmap);
}

TEST_F(PluginHookTest, IconSequencesFollowTheIconsSetting) {
  struct Case {
    const char* config;
    Lines icons;
  } cases[] = {
      {"",
       {"ChangeItemIcon 1281", "AddItemIcons 1281", "ChangeItemIcon 1281", "RemoveItemIcon 1281"}},
      {"[cl]\nicons=8\n", {"ChangeItemIcon 1281", "AddItemIcons 1281", "RemoveItemIcon 1281"}},
      {"[cl]\nicons=0\n", {"RemoveItemIcon 1281"}},
  };
  for (const Case& c : cases) {
    Start(c.config);
    Status(1001, 2, 1550);
    Status(1001, 2, 0);
    Status(1001, 1, 0);
    EXPECT_EQ(Icons(), c.icons) << c.config;
    plugin_.reset();
  }
}

TEST_F(PluginHookTest, PeersAreForgottenOnEvent9AndAtUnload) {
  Start("");
  Deliver(4, Packet(17, Concat({StatusEntryBytes(1003, 2, Ip(127, 0, 0, 1), 1550),
                                StatusEntryBytes(1001, 4, Ip(127, 0, 0, 1), 1, "away"),
                                StatusEntryBytes(99, 2, Ip(127, 0, 0, 1), 1550)})));
  EXPECT_TRUE(icons_->Current(0x501));
  EXPECT_TRUE(icons_->Current(0x503));
  icons_->ClearCalls();
  EXPECT_EQ(Deliver(9, {}), 0);
  EXPECT_EQ(Icons(), (Lines{"RemoveItemIcon 1281", "RemoveItemIcon 1283"}));

  // What is still listed at unload loses its icon when the module goes.
  Status(1002, 2, 1550);
  icons_->ClearCalls();
  plugin_.reset();
  EXPECT_EQ(Icons(), (Lines{"RemoveItemIcon 1282"}));
}

TEST_F(PluginHookTest, AnAnnouncedImageIsAskedForOnceUntilUnload) {
  Start("");
  const Bytes offer = Message(1001, 8, "", RichText(FormatEntry(0, 0x80, 2500, 0xCAFEBABE)));
  const auto request = wire::EncodeImageRequest({1001, 2500, 0xCAFEBABE});
  const Bytes expected(request.begin(), request.end());
  auto sent = [this] {
    std::vector<Bytes> packets;
    for (const standin::SentPacket& packet : plugin_->Host().SentPackets())
      packets.push_back(packet.bytes);
    return packets;
  };
  EXPECT_EQ(Deliver(4, offer), -1);
  EXPECT_EQ(Deliver(4, offer), -1);  // still awaited: not asked again
  EXPECT_EQ(sent(), std::vector<Bytes>{expected});

  // UnloadPlugin forgets what was asked; loaded again, the plug-in asks anew.
  plugin_->Stop();
  plugin_->Host().ClearSentPackets();
  plugin_->Start();
  EXPECT_EQ(Deliver(4, offer), -1);
  EXPECT_EQ(sent(), std::vector<Bytes>{expected});
}

}  // namespace
}  // namespace kvel::gg
