// The protocol hook and the icons through the plug-in's entry points: GG events
// delivered by the stand-in host, packets it captured and the icon records
// it was given (the DLL under Wine, the linked code natively).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

#include "contact_list_icons.h"
#include "gg/local_address.h"
#include "gg/test_packets.h"
#include "platform/host_address.h"
#include "support/plugin_fixture.h"
#include "wire/image_packets.h"

namespace kvel::gg {
namespace {
using namespace gg::testing;
using host::Param;
using Lines = std::vector<std::string>;

constexpr bool k32Bit = sizeof(void*) == 4;

uint32_t Word(const Bytes& bytes, size_t offset) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

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

TEST_F(PluginHookTest, LoginIsSentAgainWithTheAddressesAndTakenOver) {
  Start("[p2p]\nextern-ip=127.0.0.1\nextern-port=1551\n");
  const Bytes login = Login(0x40003039, 0);
  EXPECT_EQ(Deliver(7, login), -1);
  std::vector<standin::SentPacket> sent = plugin_->Host().SentPackets();
  ASSERT_EQ(sent.size(), 1u);
  const Bytes& copy = sent[0].bytes;
  ASSERT_EQ(copy.size(), login.size());
  for (size_t i = 0; i < copy.size(); ++i) {
    if (i < 8 + 17 || i > 8 + 28) {
      EXPECT_EQ(copy[i], login[i]) << "offset " << i;
    }
  }
  Bytes fields;
  PutIp(fields, ChooseLocalAddress(platform::LocalHostAddresses()));
  PutLe16(fields, 1560);
  PutIp(fields, Ip(127, 0, 0, 1));
  PutLe16(fields, 1551);
  EXPECT_EQ(Bytes(copy.begin() + 25, copy.begin() + 37), fields);

  plugin_->Host().ClearSentPackets();
  EXPECT_EQ(Deliver(7, Login(0x3039, Ip(10, 0, 0, 1))), 0);
  EXPECT_EQ(Deliver(7, Bytes(login.begin(), login.begin() + 36)), 0);
  EXPECT_TRUE(plugin_->Host().SentPackets().empty());
}

TEST_F(PluginHookTest, IconRecordsCarryTheStatePicture) {
  Start("");
  EXPECT_EQ(Status(1001, 2, 1550), 0);
  std::vector<standin::IconCall> calls = icons_->Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].service, "Tlen/ContactList/ChangeItemIcon");
  EXPECT_EQ(calls[0].result, -1);
  EXPECT_EQ(calls[1].service, "Tlen/ContactList/AddItemIcons");
  EXPECT_EQ(calls[0].set, "kvel");
  EXPECT_EQ(calls[1].set, "kvel");
  EXPECT_EQ(calls[0].item, 0x501);
  EXPECT_EQ(calls[1].item, 0x501);
  EXPECT_EQ(calls[0].icon, calls[1].icon);
  EXPECT_EQ(calls[0].image, calls[1].image);

  std::optional<standin::IconPicture> green = icons_->Current(0x501);
  ASSERT_TRUE(green);
  EXPECT_NE(green->bitmap, 0);
  EXPECT_EQ(green->transparent, 0x00FF00FFu);
  EXPECT_EQ(green->width, 16);
  EXPECT_EQ(green->height, 16);

  if (k32Bit) {
    const Bytes& image = calls[0].image;
    ASSERT_EQ(image.size(), 32u);
    EXPECT_EQ(Word(image, 0), 32u);
    EXPECT_EQ(Word(image, 8), static_cast<uint32_t>(green->bitmap));
    EXPECT_EQ(Word(image, 12), 0x00FF00FFu);
    EXPECT_EQ(Word(image, 24), 16u);
    EXPECT_EQ(Word(image, 28), 16u);
    for (size_t offset : {4, 16, 20}) EXPECT_EQ(Word(image, offset), 0u) << offset;

    const Bytes& icon = calls[0].icon;
    ASSERT_EQ(icon.size(), 56u);
    EXPECT_EQ(Word(icon, 0), 56u);
    EXPECT_NE(Word(icon, 4), 0u);  // "kvel", checked as `set` above
    EXPECT_EQ(Word(icon, 8), 1u);
    EXPECT_NE(Word(icon, 12), 0u);  // the image record above
    EXPECT_EQ(Word(icon, 16), 2u);
    EXPECT_EQ(Word(icon, 20), 0x40000u);
    EXPECT_EQ(Word(icon, 24), 1u);
    for (size_t offset = 28; offset < 56; offset += 4) EXPECT_EQ(Word(icon, offset), 0u);

    const Bytes& add = calls[1].addIcons;
    ASSERT_EQ(add.size(), 16u);
    EXPECT_EQ(Word(add, 0), 16u);
    EXPECT_EQ(Word(add, 4), 0x501u);
    EXPECT_NE(Word(add, 8), 0u);
    EXPECT_EQ(Word(add, 12), 1u);
  }

  // A second status changes the icon once, to the red picture.
  icons_->ClearCalls();
  EXPECT_EQ(Status(1001, 2, 0), 0);
  EXPECT_EQ(Icons(), (Lines{"ChangeItemIcon 1281"}));
  std::optional<standin::IconPicture> red = icons_->Current(0x501);
  ASSERT_TRUE(red);
  EXPECT_NE(red->bitmap, green->bitmap);

  // States 1 and 2, then 3 again: four distinct pictures, loaded once.
  EXPECT_EQ(Status(1001, 2, 1), 0);
  const Param orange = icons_->Current(0x501)->bitmap;
  EXPECT_EQ(Status(1001, 2, 2), 0);
  const Param grey = icons_->Current(0x501)->bitmap;
  EXPECT_EQ(Status(1001, 2, 65535), 0);
  EXPECT_EQ(icons_->Current(0x501)->bitmap, green->bitmap);
  EXPECT_EQ(Status(1002, 2, 40000), 0);
  EXPECT_EQ(icons_->Current(0x502)->bitmap, green->bitmap);
  const std::set<Param> pictures = {green->bitmap, red->bitmap, orange, grey};
  EXPECT_EQ(pictures.size(), 4u);
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
