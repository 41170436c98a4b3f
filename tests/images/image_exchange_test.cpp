#include "images/image_exchange.h"

#include <optional>
#include <string>
#include <vector>

#include "gg/contact_lookup.h"
#include "gg/hook_dispatch.h"
#include "image_fixture.h"
#include "images/image_cache.h"
#include "images/image_checksum.h"
#include "platform/threads/threads.h"
#include "wire/image_crc.h"
#include "wire/image_packets.h"

namespace kvel::images {
namespace {

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
         static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A sent message (type 0x0B: recipient, sequence, class, ...) as the
// recipient gets it from the server (type 0x0A: sender, sequence, time, class, ...).
std::vector<uint8_t> AsReceived(const std::vector<uint8_t>& sent, uint32_t from) {
  std::vector<uint8_t> received(20);
  Put32(received, 0, 0x0A);
  Put32(received, 4, static_cast<uint32_t>(sent.size() - 8 + 4));
  Put32(received, 8, from);
  Put32(received, 16, 1700000000);
  received.insert(received.end(), sent.begin() + 16, sent.end());
  return received;
}

// One side's protocol hook: the real dispatch, its image calls bound to the
// image exchange over this side's own tables. Image messages need nothing
// else of it.
class ImageSide final : public gg::PeerTableEdits,
                        public gg::LoginServices,
                        public gg::DirectConnections,
                        public gg::ImageTraffic {
 public:
  ImageSide(host::HostServices& services, const std::string& directory)
      : services_(services), directory_(directory) {}

  PendingImages pending;
  RequestedImages requested{&platform::TickCount, nullptr};
  CacheTrust trust;

  void ClearUsers() override { Unexpected("ClearUsers"); }
  void SetUser(uint32_t, uint32_t, uint16_t) override { Unexpected("SetUser"); }
  void RemoveUser(uint32_t) override { Unexpected("RemoveUser"); }
  void SetOwnUin(uint32_t) override { Unexpected("SetOwnUin"); }
  Settings CurrentSettings() override {
    Unexpected("CurrentSettings");
    return {};
  }
  uint32_t InetAddr(const char*) override {
    Unexpected("InetAddr");
    return 0;
  }
  std::vector<uint32_t> LocalHostAddresses() override {
    Unexpected("LocalHostAddresses");
    return {};
  }
  std::optional<RouterPort> MappedRouterPort() override {
    Unexpected("MappedRouterPort");
    return std::nullopt;
  }
  void SendRawPacket(std::span<const uint8_t>) override { Unexpected("SendRawPacket"); }
  void StartOutgoing(uint32_t, uint32_t) override { Unexpected("StartOutgoing"); }

  bool IsImageCached(uint32_t uin, uint32_t size, uint32_t checksum) override {
    return images::IsImageCached(trust, directory_, uin, size, checksum);
  }
  void ShowReceivedImage(uint32_t uin, uint32_t size, uint32_t checksum) override {
    images::ShowReceivedImage(services_, directory_, uin, size, checksum, platform::UnixTime());
  }
  void RequestImage(uint32_t uin, uint32_t size, uint32_t checksum) override {
    images::RequestImage(services_, requested, uin, size, checksum);
  }
  void AnswerImageRequest(uint32_t uin, uint32_t size, uint32_t checksum) override {
    images::AnswerImageRequest(services_, pending, uin, size, checksum);
  }
  bool ReceiveImagePart(uint32_t uin, const wire::ImageReplyPart& part) override {
    return images::ReceiveImagePart(requested, trust, directory_, uin, part);
  }

 private:
  static void Unexpected(const char* call) { ADD_FAILURE() << "unexpected " << call; }

  host::HostServices& services_;
  const std::string& directory_;
};

class ImageExchangeTest : public ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    host_.AddContact({21, "Ala", gg::UinText(kPeer), 3});
  }
  std::vector<std::vector<uint8_t>> Sent() {
    std::vector<std::vector<uint8_t>> packets;
    for (const standin::SentPacket& packet : host_.SentPackets()) packets.push_back(packet.bytes);
    return packets;
  }
  static std::string Html(const std::string& path) {
    return "<div><img src=\"" + path + "\"></div>";
  }

  // A reply from the peer, from its kind byte on, as the hook hands it on;
  // bytes that are no reply store nothing.
  bool Receive(std::span<const uint8_t> reply) {
    std::optional<wire::ImageReplyPart> part = wire::DecodeImageReply(reply);
    return part && ReceiveImagePart(requested_, trust_, dataPath_, kPeer, *part);
  }

  static constexpr uint32_t kPeer = 1234567;
};

// (The chat records themselves, protocol and all:
// LinkedHostTest.ChatMessagesCarryTheirSenderInTheFlags.)
TEST_F(ImageExchangeTest, OfferGoesOutAndTheImageShowsAsTheUsers) {
  const std::string path = MakeFile("photo.png", Pattern(2500));
  const uint32_t before = platform::UnixTime();
  SendImage(services_, pending_, kOwnUin, kPeer, path.c_str(), before);
  const auto offer = wire::EncodeImageOffer({kPeer, 2500, ImageChecksum(path.c_str())});
  EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{{offer.begin(), offer.end()}}));
  std::vector<standin::ShownMessage> shown = chats_.Messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].contact, "1234567");
  EXPECT_EQ(shown[0].senderId, "5550001");
  EXPECT_EQ(shown[0].senderName, "5550001");
  EXPECT_GE(shown[0].time, before);
  EXPECT_LE(shown[0].time, platform::UnixTime());
  EXPECT_EQ(shown[0].html, Html(path));
  EXPECT_EQ(shown[0].flags, 66u);
}

TEST_F(ImageExchangeTest, AnswersARequestOnceInBlocksOf1024) {
  const std::vector<uint8_t> image = Pattern(2500);
  const std::string path = MakeFile("photo.png", image);
  SendImage(services_, pending_, kOwnUin, kPeer, path.c_str(), platform::UnixTime());
  host_.ClearSentPackets();
  const uint32_t checksum = ImageChecksum(path.c_str());
  AnswerImageRequest(services_, pending_, kPeer, 2500, checksum);
  AnswerImageRequest(services_, pending_, kPeer, 2500, checksum);  // already answered: ignored
  // The replies as the wire writes them (their layout: ImagePackets).
  std::vector<std::vector<uint8_t>> expected;
  for (size_t offset = 0; offset < image.size(); offset += 1024) {
    const std::span<const uint8_t> block =
        std::span(image).subspan(offset, std::min<size_t>(1024, image.size() - offset));
    expected.push_back(
        wire::EncodeImageReply({kPeer, 2500, checksum}, offset == 0, "photo.png", block));
  }
  EXPECT_EQ(Sent(), expected);
}

TEST_F(ImageExchangeTest, IgnoresRequestsForAnythingNotOffered) {
  const std::string path = MakeFile("a.gif", Pattern(100));
  SendImage(services_, pending_, kOwnUin, kPeer, path.c_str(), platform::UnixTime());
  const uint32_t checksum = ImageChecksum(path.c_str());
  host_.ClearSentPackets();
  const wire::ImageId others[] = {
      {kPeer + 1, 100, checksum}, {kPeer, 101, checksum}, {kPeer, 100, checksum + 1}};
  for (const wire::ImageId& id : others)
    AnswerImageRequest(services_, pending_, id.uin, id.size, id.checksum);
  EXPECT_TRUE(Sent().empty());
  AnswerImageRequest(services_, pending_, kPeer, 100, checksum);
  EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(ImageExchangeTest, EmptyOrVanishedFilesAreAnsweredWithNothing) {
  const std::string empty = MakeFile("empty.png", {});
  const std::string gone = MakeFile("gone.png", Pattern(10));
  SendImage(services_, pending_, kOwnUin, kPeer, empty.c_str(), platform::UnixTime());
  SendImage(services_, pending_, kOwnUin, kPeer, gone.c_str(), platform::UnixTime());
  const uint32_t goneChecksum = ImageChecksum(gone.c_str());
  std::remove(gone.c_str());
  host_.ClearSentPackets();
  AnswerImageRequest(services_, pending_, kPeer, 0, 0xFFFFFFFFu);
  AnswerImageRequest(services_, pending_, kPeer, 10, goneChecksum);
  // The offer is spent even though nothing went out.
  MakeFile("gone.png", Pattern(10));
  AnswerImageRequest(services_, pending_, kPeer, 10, goneChecksum);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ImageExchangeTest, AFileWithoutASizeIsNeitherOfferedNorCreated) {
  const std::string missing = scratch_.File("missing.png");
  SendImage(services_, pending_, kOwnUin, kPeer, missing.c_str(), platform::UnixTime());
  SendImage(services_, pending_, kOwnUin, kPeer, scratch_.Path().c_str(),
            platform::UnixTime());  // a directory
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(chats_.Messages().empty());
  EXPECT_FALSE(testing::FileExists(missing));
}

// A request names the image to its sender, once while it is awaited; one of
// nothing, or of more than this side assembles, is not made.
TEST_F(ImageExchangeTest, RequestsEachImageOnceWhileItIsAwaited) {
  RequestImage(services_, requested_, kPeer, 1524, 0xF0000000u);
  RequestImage(services_, requested_, kPeer, 1524, 0xF0000000u);
  RequestImage(services_, requested_, kPeer, 1524, 2);
  RequestImage(services_, requested_, kPeer, 0, 3);
  RequestImage(services_, requested_, kPeer, kMaxImageSize + 1, 4);
  const auto first = wire::EncodeImageRequest({kPeer, 1524, 0xF0000000u});
  const auto second = wire::EncodeImageRequest({kPeer, 1524, 2});
  EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{{first.begin(), first.end()},
                                                       {second.begin(), second.end()}}));
}

TEST_F(ImageExchangeTest, UnaskedRepliesAreRefusedAndNeverGrowAFile) {
  const std::vector<uint8_t> image = Pattern(10);
  const wire::ImageId id{kPeer, 10, Checksum(image)};
  const std::vector<uint8_t> first = wire::EncodeImageReply(id, true, "x.png", image);
  const std::vector<uint8_t> later = wire::EncodeImageReply(id, false, "", image);
  EXPECT_FALSE(Receive(std::span(first).subspan(21)));
  for (int i = 0; i < 2000; ++i) EXPECT_FALSE(Receive(std::span(later).subspan(21)));
  EXPECT_FALSE(IsImageCached(trust_, dataPath_, kPeer, 10, id.checksum));
  EXPECT_FALSE(testing::FileExists(ImageCachePath(dataPath_, kPeer, 10, id.checksum)));
  EXPECT_FALSE(testing::FileExists(ImageCachePath(dataPath_, kPeer, 10, id.checksum) + ".part"));

  // Asked for: the first reply makes it whole; what comes after is refused.
  RequestImage(services_, requested_, kPeer, 10, id.checksum);
  EXPECT_TRUE(Receive(std::span(first).subspan(21)));
  for (int i = 0; i < 2000; ++i) EXPECT_FALSE(Receive(std::span(later).subspan(21)));
  EXPECT_EQ(FileBytes(ImageCachePath(dataPath_, kPeer, 10, id.checksum)), image);
}

TEST_F(ImageExchangeTest, AWrongImageIsDiscardedAndCanBeAskedForAgain) {
  const std::vector<uint8_t> image = Pattern(1524);
  const wire::ImageId id{kPeer, 1524, Checksum(image)};
  std::vector<uint8_t> spoiled = image;
  spoiled[700] ^= 0xFF;
  const std::span<const uint8_t> bad(spoiled), good(image);
  RequestImage(services_, requested_, kPeer, id.size, id.checksum);
  const std::vector<uint8_t> badFirst = wire::EncodeImageReply(id, true, "x.png", bad.first(1024));
  const std::vector<uint8_t> badSecond = wire::EncodeImageReply(id, false, "", bad.subspan(1024));
  EXPECT_FALSE(Receive(std::span(badFirst).subspan(21)));
  EXPECT_FALSE(Receive(std::span(badSecond).subspan(21)));
  EXPECT_FALSE(IsImageCached(trust_, dataPath_, kPeer, id.size, id.checksum));
  // No longer awaited: a right reply now is refused until asked again.
  const std::vector<uint8_t> first = wire::EncodeImageReply(id, true, "x.png", good.first(1024));
  const std::vector<uint8_t> second = wire::EncodeImageReply(id, false, "", good.subspan(1024));
  EXPECT_FALSE(Receive(std::span(first).subspan(21)));
  host_.ClearSentPackets();
  RequestImage(services_, requested_, kPeer, id.size, id.checksum);
  EXPECT_EQ(Sent().size(), 1u);
  EXPECT_FALSE(Receive(std::span(first).subspan(21)));
  EXPECT_TRUE(Receive(std::span(second).subspan(21)));
  EXPECT_EQ(FileBytes(ImageCachePath(dataPath_, kPeer, id.size, id.checksum)), image);
}

// What is assembled of an image goes with its request, however the request
// ends without the image: it expires, makes room for others, or the plug-in
// forgets all at unload (when each happens: RequestedImages' tests).
TEST_F(ImageExchangeTest, ImagePartsGoWithTheirRequests) {
  const wire::ImageId id{kPeer, 1500, 1};
  RequestImage(services_, requested_, kPeer, id.size, id.checksum);
  const std::vector<uint8_t> first = wire::EncodeImageReply(id, true, "x.png", Pattern(100));
  EXPECT_FALSE(Receive(std::span(first).subspan(21)));
  const std::string part = ImageCachePath(dataPath_, kPeer, id.size, id.checksum) + ".part";
  EXPECT_TRUE(testing::FileExists(part));
  requested_.Clear();
  EXPECT_FALSE(testing::FileExists(part));
}

TEST_F(ImageExchangeTest, StalePartsAreRemovedAndNothingElse) {
  const std::vector<std::string> stale = {"imgcache_1_2_3.part", "imgcache_-1_5_-7.part",
                                          "imgcache_x.part"};
  const std::vector<std::string> kept = {"imgcache_1_2_3", "imgcache.verified", "notes.part",
                                         "imgcache_1_2_3.part.txt"};
  for (const std::string& name : stale) testing::WriteFile(dataPath_ + name, "x");
  for (const std::string& name : kept) testing::WriteFile(dataPath_ + name, "x");
  RemoveStaleParts(dataPath_);
  for (const std::string& name : stale) EXPECT_FALSE(testing::FileExists(dataPath_ + name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(testing::FileExists(dataPath_ + name)) << name;
}

TEST_F(ImageExchangeTest, ShowsAReceivedImageFromThePeer) {
  const std::string cached = dataPath_ + "imgcache_1234567_1524_-268435456";
  ShowReceivedImage(services_, dataPath_, kPeer, 1524, 0xF0000000u, platform::UnixTime());
  ShowReceivedImage(services_, dataPath_, kPeer + 1, 1524, 0xF0000000u,
                    platform::UnixTime());  // not on the contact list
  std::vector<standin::ShownMessage> shown = chats_.Messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].contact, "1234567");
  EXPECT_EQ(shown[0].senderId, "1234567");
  EXPECT_EQ(shown[0].senderName, "Ala");
  EXPECT_EQ(shown[0].html, Html(cached));
  EXPECT_EQ(shown[0].flags, 65u);
  EXPECT_EQ(shown[1].contact, "1234568");
  EXPECT_EQ(shown[1].senderName, "1234568");
}

TEST_F(ImageExchangeTest, MalformedRepliesStoreNothing) {
  // A first reply whose name runs to the end of the payload, one too short to
  // name its image, and a request where a reply belongs.
  const std::vector<std::vector<uint8_t>> replies = {
      {0x05, 10, 0, 0, 0, 1, 0, 0, 0, 'n', 'a', 'm', 'e'},
      {0x06, 10, 0, 0, 0, 1, 0, 0},
      {0x04, 10, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3},
  };
  RequestImage(services_, requested_, kPeer, 10, 1);
  for (const std::vector<uint8_t>& reply : replies) EXPECT_FALSE(Receive(reply));
  EXPECT_FALSE(IsImageCached(trust_, dataPath_, kPeer, 10, 1));
  dataPath_ = "";
  ShowReceivedImage(services_, dataPath_, kPeer, 10, 1,
                    platform::UnixTime());  // no cache, nothing to point at
  EXPECT_TRUE(chats_.Messages().empty());
}

TEST_F(ImageExchangeTest, AnImageOfferedByOneSideLandsWholeOnTheOther) {
  // Both sides live in this process: each sent packet goes to the side it is
  // addressed to, as a received message from the other.
  constexpr uint32_t kAlice = 1001, kBob = 2002;
  host_.AddContact({22, "Alicja", "1001", 3});
  const std::vector<uint8_t> image = Pattern(5000, 17);
  const std::string path = MakeFile("kot.jpg", image);
  ImageSide alice(services_, dataPath_), bob(services_, dataPath_);
  SendImage(services_, alice.pending, kAlice, kBob, path.c_str(), platform::UnixTime());
  size_t delivered = 0;
  for (std::vector<std::vector<uint8_t>> sent = Sent(); delivered < sent.size(); sent = Sent()) {
    const std::vector<uint8_t>& packet = sent[delivered++];
    const uint32_t to = Get32(packet, 8);
    const uint32_t from = to == kBob ? kAlice : kBob;
    ImageSide& side = to == kBob ? bob : alice;
    EXPECT_EQ(gg::HandleGGEvent(gg::kEventReceived, AsReceived(packet, from), side),
              gg::kTakenOver);
  }
  EXPECT_EQ(delivered, 1u + 1u + 5u);  // offer, request, five replies

  const uint32_t checksum = ImageChecksum(path.c_str());
  const std::string cached = ImageCachePath(dataPath_, kAlice, 5000, checksum);
  EXPECT_EQ(FileBytes(cached), image);
  // Each side's chat shows its image (the messages' fields: the tests above).
  EXPECT_EQ(chats_.Messages().size(), 2u);
  std::string aliceChat, bobChat;
  ASSERT_TRUE(testing::ReadFile(chats_.FilePath("GG", "2002"), &aliceChat));
  ASSERT_TRUE(testing::ReadFile(chats_.FilePath("GG", "1001"), &bobChat));
  EXPECT_NE(aliceChat.find(Html(path)), std::string::npos);
  EXPECT_NE(bobChat.find(Html(cached)), std::string::npos);
}

}  // namespace
}  // namespace kvel::images
