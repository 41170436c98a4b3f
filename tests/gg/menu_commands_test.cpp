#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "contact_menu.h"
#include "gg/menu_commands.h"
#include "host/linked_host.h"
#include "stand_in_host.h"
#include "support/test_paths.h"
#include "wire/handshake.h"

namespace kvel::gg {
namespace {

using Strings = std::vector<std::string>;

// The menu callback's work as the host asks for it, over the stand-in host.
class MenuStateTest : public ::testing::Test {
 protected:
  int32_t Build(standin::ContactMenu& menu, int32_t event = 1) {
    return OfferCommands(services_, event, &menu.Context());
  }

  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
};

TEST_F(MenuStateTest, OffersByPlaceAndProtocol) {
  const struct {
    const char* place;
    const char* protocol;
    int32_t result;
    Strings offered;
  } cases[] = {
      {"Tlen/ChatWindow", "GG", 1, {"kvel/sendimage", "kvel/send"}},
      {"Tlen/ContactList", "GG", 1, {"kvel/send"}},
      {"Tlen/ChatWindowX", "GG", 1, {"kvel/send"}},
      {"Tlen/ChatWindow", "Tlen", 0, {}},
      {"Tlen/ChatWindow", "gg", 0, {}},
      {"Tlen/ContactList", "GGX", 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.place) + " " + c.protocol);
    standin::ContactMenu menu(host_, c.place, "12345", c.protocol);
    EXPECT_EQ(Build(menu), c.result);
    EXPECT_EQ(menu.Offered(), c.offered);
    EXPECT_TRUE(standin::StrayMenuOffers().empty());
  }
}

TEST_F(MenuStateTest, OffersNothingOutsideABuildingMenu) {
  standin::ContactMenu menu(host_, "Tlen/ChatWindow", "12345");
  EXPECT_EQ(Build(menu, 0), 0);
  EXPECT_EQ(Build(menu, 2), 0);
  menu.Context().building = 0;
  EXPECT_EQ(Build(menu), 0);
  menu.Context().building = 1;
  menu.Element().id = nullptr;
  EXPECT_EQ(Build(menu), 0);
  menu.Context().element = nullptr;
  EXPECT_EQ(Build(menu), 0);
  EXPECT_TRUE(menu.Offered().empty());
  // None of these asked the host for OfferMenuItem.
  EXPECT_TRUE(host_.Calls().empty());
  menu.Context().element = &menu.Element();
  menu.Element().protocol = nullptr;
  EXPECT_EQ(Build(menu), 0);
  // A host without OfferMenuItem (asked for at every menu: LinkedHostTest).
  standin::ContactMenu whole(host_, "Tlen/ContactList", "12345");
  host_.RegisterProc(0x1002, 0);
  EXPECT_EQ(Build(whole), 0);
}

TEST(LeadingNumberTest, ReadsTheNumberThatLeadsTheIdText) {
  const struct {
    const char* text;
    uint32_t number;
  } cases[] = {
      {"12345", 12345},
      {"12345@gg", 12345},
      {"  \t+42x", 42},
      {"-1", 0xFFFFFFFFu},
      {"abc", 0},
      {"", 0},
      {"+", 0},
      {"- 5", 0},
      {"4294967295", 0xFFFFFFFFu},
      {"007", 7},
      {nullptr, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.number) << c.text;
}

// The commands with the fixture as their recording services; packets go
// through the stand-in host.
class CommandTest : public ::testing::Test, public CommandServices {
 protected:
  PeerAddress LookupPeer(uint32_t uin) override {
    lookups_.push_back(uin);
    return peer_;
  }
  bool StartOutgoing(uint32_t uin, uint32_t code) override {
    outgoing_.emplace_back(uin, code);
    return true;
  }
  void AskToCallBack(uint32_t uin) override { callBacks_.push_back(uin); }
  void ShowError(const char* text, const char* caption) override {
    errors_.emplace_back(text, caption);
  }
  bool ChooseOpenFile(platform::FileDialog& dialog) override {
    dialogs_.push_back(dialog);
    proposed_.emplace_back(dialog.path);
    if (!choice_) return false;
    std::snprintf(dialog.path, dialog.pathSize, "%s", choice_->c_str());
    return true;
  }
  void SendImage(uint32_t uin, const char* path) override { images_.emplace_back(uin, path); }

  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
  standin::ContactMenu menu_{host_, "Tlen/ChatWindow", "12345"};
  PeerAddress peer_;
  std::optional<std::string> choice_;
  std::vector<uint32_t> lookups_;
  std::vector<std::pair<uint32_t, uint32_t>> outgoing_;
  std::vector<uint32_t> callBacks_;
  std::vector<std::pair<std::string, std::string>> errors_;
  std::vector<platform::FileDialog> dialogs_;
  Strings proposed_;
  std::vector<std::pair<uint32_t, std::string>> images_;
};

TEST_F(CommandTest, SendFileChoosesByPeerState) {
  const uint32_t address = 0x0200000A;  // 10.0.0.2
  const std::string noDirect =
      "Odbiorca nie obs\xB3uguje po\xB3\xB9"
      "cze\xF1 bezpo\x9Crednich (p2p)";
  const std::string notListed =
      "Odbiorca nie ma Ci\xEA na li\x9C"
      "cie kontakt\xF3w";
  const struct {
    PeerAddress peer;
    size_t outgoing;
    size_t callBacks;  // call-back requests
    Strings errors;
  } cases[] = {
      {{address, 1550}, 1, 0, {}},
      {{address, 1}, 0, 1, {}},
      {{address, 0}, 0, 0, {noDirect}},
      {{address, 2}, 0, 0, {notListed}},
      {{0, 0}, 0, 0, {}},
      {{0, 1550}, 0, 0, {}},
      {{0, 2}, 0, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.peer.ip << ":" << c.peer.port);
    peer_ = c.peer;
    outgoing_.clear();
    callBacks_.clear();
    errors_.clear();
    lookups_.clear();
    EXPECT_EQ(SendFileCommandWith(&menu_.Context(), *this), 0);
    EXPECT_EQ(lookups_, std::vector<uint32_t>{12345});
    EXPECT_EQ(outgoing_.size(), c.outgoing);
    if (c.outgoing == 1) {
      EXPECT_EQ(outgoing_[0], std::make_pair(12345u, wire::kPushCode));
    }
    EXPECT_EQ(callBacks_, std::vector<uint32_t>(c.callBacks, 12345u));
    Strings texts;
    for (const auto& [text, caption] : errors_) {
      texts.push_back(text);
      EXPECT_EQ(caption,
                "B\xB3\xB9"
                "d");
    }
    EXPECT_EQ(texts, c.errors);
  }
}

TEST_F(CommandTest, SendImageHandsTheChosenPictureOver) {
  choice_.reset();
  EXPECT_EQ(SendImageCommandWith(&menu_.Context(), *this), 0);
  EXPECT_TRUE(images_.empty());
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(proposed_[0], "");
  EXPECT_EQ(dialogs_[0].pathSize, 260u);
  EXPECT_EQ(dialogs_[0].flags, 0x02001C02u);
  // Two pairs of texts and the empty text that ends the list.
  EXPECT_EQ(std::string(dialogs_[0].filter, 60),
            std::string("pliki graficzne\0*.bmp;*jpg;*.gif;*.png\0wszystkie pliki\0*.*\0", 60));

  choice_ = "C:\\Obrazki\\kot.jpg";
  EXPECT_EQ(SendImageCommandWith(&menu_.Context(), *this), 0);
  EXPECT_EQ(images_,
            (std::vector<std::pair<uint32_t, std::string>>{{12345, "C:\\Obrazki\\kot.jpg"}}));
  EXPECT_TRUE(outgoing_.empty());
  EXPECT_TRUE(lookups_.empty());
}

TEST_F(CommandTest, ElementsWithoutIdTextDoNothing) {
  menu_.Element().id = nullptr;
  peer_ = {0x0200000A, 1550};
  choice_ = "x.png";
  EXPECT_EQ(SendFileCommandWith(&menu_.Context(), *this), 0);
  EXPECT_EQ(SendImageCommandWith(&menu_.Context(), *this), 0);
  EXPECT_TRUE(lookups_.empty());
  EXPECT_TRUE(dialogs_.empty());
  EXPECT_EQ(SendFileCommandWith(nullptr, *this), 0);
}

}  // namespace
}  // namespace kvel::gg
