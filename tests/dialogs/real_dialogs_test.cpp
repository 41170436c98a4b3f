// The product's own dialogs under Wine, answered by the stand-in host's UI
// driver: the question box, the save and open dialogs and the error boxes,
// in transfers between the two ends of a TCP connection on 127.0.0.1.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "contact_menu.h"
#include "gg/menu_commands.h"
#include "p2p/connection/peer_connection.h"
#include "platform/threads/threads.h"
#include "platform/dialogs.h"
#include "platform/win32/dialogs_win32.h"
#include "plugin/host.h"
#include "plugin/plugin_parts.h"
#include "plugin/bindings/production_bindings.h"
#include "common/texts.h"
#include "contact_menu.h"
#include "stand_in_host.h"
#include "support/bounded_wait.h"
#include "support/loopback_pair.h"
#include "support/lone_transfer.h"
#include "support/test_paths.h"
#include "transfers/side/platform_streams.h"
#include "ui_driver.h"
#include "wire/transfer_records.h"

namespace kvel {
namespace {

using Bytes = std::vector<uint8_t>;

std::string Text(const char* bytes) {
  return bytes;
}

// Everything the socket delivers until the peer closes.
Bytes ReadToEnd(platform::Socket socket) {
  Bytes incoming;
  char buffer[4096];
  for (int got; (got = platform::ReceiveSome(socket, buffer, sizeof buffer)) > 0;) {
    incoming.insert(incoming.end(), buffer, buffer + got);
  }
  return incoming;
}

// An offer as a peer sends it, of a file named `name` with `size` bytes.
Bytes Offer(const std::string& name, uint32_t size) {
  wire::FileInfo info;
  info.sizeLow = size;
  info.name = name;
  Bytes bytes;
  for (uint32_t word : {wire::kOfferStart, wire::kOfferInfo, 0u, 0u}) {
    const wire::Word packed = wire::EncodeWord(word);
    bytes.insert(bytes.end(), packed.begin(), packed.end());
  }
  const wire::FileInfoBytes record = wire::EncodeFileInfo(info);
  bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

class RealDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TheModuleHost().SetModule(GetModuleHandleA(nullptr));
    TheModuleHost().SetLink(host_.Link());
    moduleHost_.SetModule(TheModuleHost().Module());
    moduleHost_.SetLink(host_.Link());
    parts_ = std::make_unique<PluginParts>(moduleHost_, PluginSetup{});
    host_.AddContact({21, "Ala", "4321", 3});
    pair_ = testing::MakeLoopbackPair();
    ASSERT_NE(pair_.a, platform::kInvalidSocket);
  }
  void TearDown() override {
    testing::CloseLoopbackPair(pair_);
    parts_.reset();
    TheModuleHost().SetLink(nullptr);
  }
  void CloseB() {
    platform::CloseSocket(pair_.b);
    pair_.b = platform::kInvalidSocket;
  }
  // The file procedures of the two ends, as connection threads run them.
  bool SendFromA(uint32_t uin) {
    p2p::PeerConnection connection(pair_.a, nullptr, &platform::TickCount);
    testing::LoneTransfer transfer(uin, transfers::Send);
    return transfers::SendFile(moduleHost_, connection, transfer.handle);
  }
  bool ReceiveAtB(uint32_t uin) {
    p2p::PeerConnection connection(pair_.b, nullptr, &platform::TickCount);
    testing::LoneTransfer transfer(uin, transfers::Receive);
    return transfers::ReceiveFile(moduleHost_, parts_->KeptPartsIfAny(), connection,
                                  transfer.handle, {});
  }

  testing::ScratchDir scratch_;
  standin::Host host_{scratch_.Path()};
  // The test's own context parts over the stand-in host.
  ModuleHost moduleHost_;
  std::unique_ptr<PluginParts> parts_;
  testing::LoopbackPair pair_;
  standin::UiDriver driver_;
};

TEST_F(RealDialogsTest, FileGoesThroughOpenQuestionAndSaveDialogs) {
  const std::string source = scratch_.File("raport roczny.bin");
  std::string content(100000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + i / 251);
  testing::WriteFile(source, content);
  const std::string target = scratch_.File("odebrany.bin");
  driver_.QueueFileChoice(source);  // the sender's open dialog comes first
  driver_.QueueAnswer(true);
  driver_.QueueFileChoice(target);

  bool sent = false;
  testing::BoundedThread sender("A sending the file", [&] { sent = SendFromA(4321); });
  const bool received = ReceiveAtB(4321);
  // The sender counts the file as sent once the receiver has closed.
  CloseB();
  sender.Join();

  EXPECT_TRUE(sent);
  EXPECT_TRUE(received);
  std::string saved;
  ASSERT_TRUE(testing::ReadFile(target, &saved));
  EXPECT_TRUE(saved == content);
  const std::vector<standin::UiDriver::Dialog> seen = driver_.Seen();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].kind, "file");
  EXPECT_EQ(seen[0].text, "");  // the open dialog proposes nothing
  EXPECT_EQ(seen[1].kind, "question");
  EXPECT_EQ(seen[1].caption, "Pytanie");
  EXPECT_EQ(seen[1].text, Text("Ala chce wys\xB3"
                               "a\xE6 do Ciebie plik raport roczny.bin (97KB). "
                               "Czy chcesz go odebra\xE6?"));
  EXPECT_EQ(seen[2].kind, "file");
  EXPECT_EQ(seen[2].text, "raport roczny.bin");
}

TEST_F(RealDialogsTest, HostileNameIsShownAndProposedSanitisedAndRefusalIsSent) {
  // The peer offers a path that climbs out and names a device.
  const Bytes offer = Offer("..\\..\\Windows\\CON.txt", 2048);
  driver_.QueueAnswer(false);
  ASSERT_EQ(platform::SendSome(pair_.a, offer.data(), static_cast<int>(offer.size())),
            static_cast<int>(offer.size()));
  EXPECT_FALSE(ReceiveAtB(77));
  CloseB();
  EXPECT_EQ(ReadToEnd(pair_.a), (Bytes{7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  const std::vector<standin::UiDriver::Dialog> seen = driver_.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, Text("77 chce wys\xB3"
                               "a\xE6 do Ciebie plik _CON.txt (2KB). "
                               "Czy chcesz go odebra\xE6?"));
}

TEST_F(RealDialogsTest, CancelledSaveDialogSendsNothing) {
  const Bytes offer = Offer(
      "C:zdj\xEA"
      "cie.png",
      10);
  driver_.QueueAnswer(true);
  driver_.QueueFileChoice(std::nullopt);
  platform::SendSome(pair_.a, offer.data(), static_cast<int>(offer.size()));
  EXPECT_FALSE(ReceiveAtB(4321));
  CloseB();
  EXPECT_TRUE(ReadToEnd(pair_.a).empty());
  const std::vector<standin::UiDriver::Dialog> seen = driver_.Seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].kind, "file");
  EXPECT_EQ(seen[1].text, Text("zdj\xEA"
                               "cie.png"));
}

TEST_F(RealDialogsTest, ErrorBoxesForPeersThatCannotBeReached) {
  standin::ContactMenu menu(host_, "Tlen/ContactList", "12345");
  // The real error boxes, with the peer and the connection played here.
  struct Commands : ProductionCommands {
    using ProductionCommands::ProductionCommands;
    gg::PeerAddress peer;
    int outgoing = 0;
    gg::PeerAddress LookupPeer(uint32_t) override { return peer; }
    bool StartOutgoing(uint32_t, uint32_t) override { return ++outgoing, true; }
  } edges{*parts_};
  gg::PeerAddress& peer = edges.peer;
  for (uint16_t port : {0, 2, 1550}) {
    peer = {0x0200000A, port};
    gg::SendFileCommandWith(&menu.Context(), edges);
  }
  peer = {0, 0};
  gg::SendFileCommandWith(&menu.Context(), edges);
  EXPECT_EQ(driver_.Errors(), (std::vector<std::string>{Text("Odbiorca nie obs\xB3uguje po\xB3\xB9"
                                                             "cze\xF1 bezpo\x9Crednich (p2p)"),
                                                        Text("Odbiorca nie ma Ci\xEA na li\x9C"
                                                             "cie kontakt\xF3w")}));
  for (const standin::UiDriver::Dialog& dialog : driver_.Seen()) {
    EXPECT_EQ(dialog.caption, Text("B\xB3\xB9"
                                   "d"));
  }
  EXPECT_EQ(edges.outgoing, 1);
}

TEST_F(RealDialogsTest, SendImagePicksThePictureInTheOpenDialog) {
  const std::string picture = scratch_.File("kot.jpg");
  testing::WriteFile(picture, "not really a picture");
  standin::ContactMenu menu(host_, "Tlen/ChatWindow", "12345");
  // The real open dialog; the picture chosen is kept here.
  struct Commands : ProductionCommands {
    using ProductionCommands::ProductionCommands;
    std::vector<std::pair<uint32_t, std::string>> images;
    void SendImage(uint32_t uin, const char* path) override { images.emplace_back(uin, path); }
  } edges{*parts_};
  const auto& images = edges.images;
  driver_.QueueFileChoice(std::nullopt);
  driver_.QueueFileChoice(picture);
  gg::SendImageCommandWith(&menu.Context(), edges);
  EXPECT_TRUE(images.empty());
  gg::SendImageCommandWith(&menu.Context(), edges);
  EXPECT_EQ(images, (std::vector<std::pair<uint32_t, std::string>>{{12345, picture}}));
}

TEST(OpenFileNameTest, RecordIsFilledForThisPlatform) {
  TheModuleHost().SetModule(GetModuleHandleA(nullptr));
#if defined(_WIN64)
  // The 64-bit test build has no 32-bit host to match: it uses the
  // platform's own record sizes, which a 64-bit GetOpenFileNameA checks.
  const DWORD current = sizeof(OPENFILENAMEA);
  EXPECT_EQ(platform::OpenFileNameSize(4), offsetof(OPENFILENAMEA, lpTemplateName) + 8);
#else
  const DWORD current = 88;
  EXPECT_EQ(platform::OpenFileNameSize(4), 76u);
#endif
  EXPECT_EQ(platform::OpenFileNameSize(5), current);
  EXPECT_EQ(platform::OpenFileNameSize(10), current);
  char path[260] = "x";
  platform::FileDialog dialog =
      platform::FileDialogOver(path, text::kAllFilesFilter, platform::kOpenFileFlags);
  dialog.instance = TheModuleHost().Module();
  OPENFILENAMEA ofn;
  std::memset(&ofn, 0xCC, sizeof ofn);
  platform::FillOpenFileName(ofn, dialog);
  EXPECT_EQ(ofn.lStructSize, current);  // Wine reports a version above 5
  EXPECT_EQ(ofn.hwndOwner, nullptr);
  EXPECT_EQ(ofn.hInstance, GetModuleHandleA(nullptr));
  EXPECT_EQ(ofn.lpstrFilter, text::kAllFilesFilter);
  EXPECT_EQ(ofn.nFilterIndex, 1u);
  EXPECT_EQ(ofn.lpstrFile, path);
  EXPECT_EQ(ofn.nMaxFile, 260u);
  EXPECT_EQ(ofn.Flags, 0x02001C02u);
  EXPECT_EQ(ofn.lpstrTitle, nullptr);
  EXPECT_EQ(ofn.lpstrInitialDir, nullptr);
  EXPECT_EQ(ofn.lpstrDefExt, nullptr);
  EXPECT_EQ(ofn.lpstrCustomFilter, nullptr);
  EXPECT_EQ(ofn.FlagsEx, 0u);
}

}  // namespace
}  // namespace kvel
