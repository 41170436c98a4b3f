#include <gtest/gtest.h>

#include "gg/test_packets.h"
#include "wire/gg_packet.h"
#include "wire/received_message.h"
#include "wire/rich_text.h"

namespace kvel::wire {
namespace {
using namespace gg::testing;

std::span<const uint8_t> Payload(const Bytes& packet) {
  return std::span<const uint8_t>(packet).subspan(8);
}

TEST(GGPacket, PayloadIsCutAtTheEndOfTheBytes) {
  Bytes packet = Packet(10, Bytes(20, 0xAA));
  EXPECT_EQ(DecodePacket(packet)->payload.size(), 20u);
  packet[4] = 200;  // the header claims more than came
  EXPECT_EQ(DecodePacket(packet)->payload.size(), 20u);
  packet[4] = 5;  // ... or less
  EXPECT_EQ(DecodePacket(packet)->payload.size(), 5u);
  packet[4] = 0xFF, packet[5] = 0xFF, packet[6] = 0xFF, packet[7] = 0xFF;
  EXPECT_EQ(DecodePacket(packet)->payload.size(), 20u);
  EXPECT_FALSE(DecodePacket(Bytes(7, 0)));
}

TEST(ReceivedMessage, SplitsTextAndAttributes) {
  Bytes packet = Message(0x80001234, 8, "hi", {2, 0, 0});
  std::optional<ReceivedMessage> message = DecodeReceivedMessage(Payload(packet));
  ASSERT_TRUE(message);
  EXPECT_EQ(message->sender, 0x80001234u);  // not masked
  EXPECT_EQ(message->messageClass, 8u);
  EXPECT_EQ(std::string(message->text.begin(), message->text.end()), "hi");
  EXPECT_FALSE(message->EmptyText());
  EXPECT_EQ(Bytes(message->attributes.begin(), message->attributes.end()), (Bytes{2, 0, 0}));
}

TEST(ReceivedMessage, EmptyTextIsEmptyWithNoAttributes) {
  std::optional<ReceivedMessage> message = DecodeReceivedMessage(Payload(Message(1, 4, "")));
  ASSERT_TRUE(message);
  EXPECT_TRUE(message->EmptyText());
  EXPECT_FALSE(message->HasAttributes());
}

TEST(ReceivedMessage, TextWithoutNulEndsAtThePayloadsEndWithoutAttributes) {
  std::optional<ReceivedMessage> message =
      DecodeReceivedMessage(Payload(Message(1, 8, "abc", {}, /*terminate=*/false)));
  ASSERT_TRUE(message);
  EXPECT_FALSE(message->terminated);
  EXPECT_EQ(message->text.size(), 3u);
  EXPECT_FALSE(message->EmptyText());
  EXPECT_FALSE(message->HasAttributes());
  // No text byte at all: not an empty text either.
  message = DecodeReceivedMessage(Payload(Message(1, 4, "", {}, false)));
  ASSERT_TRUE(message);
  EXPECT_FALSE(message->EmptyText());
}

TEST(ReceivedMessage, NeedsTheSixteenByteHead) {
  Bytes payload(15, 0);
  EXPECT_FALSE(DecodeReceivedMessage(payload));
  payload.push_back(0);
  EXPECT_TRUE(DecodeReceivedMessage(payload));
}

struct WalkCase {
  const char* name;
  Bytes attributes;
  std::vector<ImageMark> marks;
};

TEST(RichText, WalksEntriesForImageMarks) {
  const Bytes image1 = FormatEntry(0, 0x80, 2500, 0xCAFEBABE);
  const Bytes image2 = FormatEntry(4, 0x80, 100, 7);
  const Bytes colour = FormatEntry(1, 0x08);
  const Bytes both = FormatEntry(2, 0x88, 300, 0xF0000000, {0x80, 0x80, 0x80});
  const Bytes bold = FormatEntry(3, 0x01);
  const WalkCase cases[] = {
      {"two images", RichText(Concat({image1, image2})), {{2500, 0xCAFEBABE}, {100, 7}}},
      {"colour then image", RichText(Concat({colour, bold, image2})), {{100, 7}}},
      // The colour bytes (here 0x80, which must not be read as flags) come
      // before the image record.
      {"colour and image bits", RichText(both), {{300, 0xF0000000}}},
      {"no entries", RichText({}), {}},
      {"negative count", RichText(image1, -13), {}},
      {"count 0x8000", RichText(image1, 0x8000), {}},
      {"count stops the walk", RichText(Concat({image1, image2}), 13), {{2500, 0xCAFEBABE}}},
      // An entry that starts below N is read whole, as far as the bytes go.
      {"entry straddles N", RichText(Concat({image1, image2}), 14), {{2500, 0xCAFEBABE}, {100, 7}}},
      {"huge count", RichText(Concat({image1, image2}), 0x7FFF), {{2500, 0xCAFEBABE}, {100, 7}}},
      {"image cut short",
       RichText(Concat({image1, Bytes(image2.begin(), image2.end() - 1)}), 26),
       {{2500, 0xCAFEBABE}}},
      {"colour cut short", RichText(Bytes(colour.begin(), colour.end() - 1), 6), {}},
      {"block without count", Bytes{2, 13}, {}},
      {"not rich text", Concat({Bytes{3, 13, 0}, image1}), {}},
  };
  for (const WalkCase& c : cases) {
    EXPECT_EQ(RichTextImageMarks(c.attributes), c.marks) << c.name;
  }
}

}  // namespace
}  // namespace kvel::wire
