#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "wire/image_crc.h"
#include "wire/image_option.h"
#include "wire/image_packets.h"
#include "wire/rich_text.h"

namespace kvel::wire {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
  return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(ImageCrc, IsTheComplementOfTheStandardCrc32) {
  struct Case {
    std::string input;
    uint32_t expected;
  } cases[] = {
      {"", 0xFFFFFFFFu},
      {"abc", 0xCADBBE3Du},        // standard 0x352441C2
      {"123456789", 0x340BC6D9u},  // standard 0xCBF43926
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpdateCrcRegister(kCrcStart, Bytes(c.input)), c.expected) << c.input;
  }
}

TEST(ImageCrc, GivesTheSameRegisterForEverySplit) {
  const std::string text = "the quick brown fox jumps over the lazy dog";
  const uint32_t whole = UpdateCrcRegister(kCrcStart, Bytes(text));
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    uint32_t reg = UpdateCrcRegister(kCrcStart, Bytes(text).first(cut));
    reg = UpdateCrcRegister(reg, Bytes(text).subspan(cut));
    EXPECT_EQ(reg, whole) << cut;
  }
}

// A source that hands out `text` in pieces of the given sizes, cycling
// through them, however large the block it is given.
ByteSource Pieces(const std::string& text, std::vector<size_t> sizes) {
  return [text, sizes, at = size_t{0}, turn = size_t{0}](std::span<uint8_t> block) mutable {
    const size_t want = std::min({sizes[turn++ % sizes.size()], block.size(), text.size() - at});
    std::copy_n(text.begin() + static_cast<std::ptrdiff_t>(at), want, block.begin());
    at += want;
    return want;
  };
}

TEST(ImageCrc, ReadsASourceToItsEndWhateverItsPieces) {
  std::string large(40000, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 31 + i / 97);
  struct Case {
    const char* name;
    std::string text;
    std::vector<size_t> pieces;
  } cases[] = {
      {"nothing", "", {16384}},
      {"one byte at a time", "123456789", {1}},
      {"uneven pieces", "123456789", {2, 5, 1}},
      {"pieces larger than a block", large, {100000}},
      {"short reads across blocks", large, {16383, 7, 16384}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CrcRegisterOf(Pieces(c.text, c.pieces)), UpdateCrcRegister(kCrcStart, Bytes(c.text)))
        << c.name;
  }
}

// uin 1234567 = 0x0012D687, size 2500 = 0x09C4, checksum 0xF0000000.
constexpr ImageId kImage{1234567, 2500, 0xF0000000u};

TEST(ImagePackets, EncodesOffersRequestsAndRepliesByteForByte) {
  const std::vector<uint8_t> data = {0xAA, 0xBB};
  const auto offer = EncodeImageOffer(kImage);
  const auto request = EncodeImageRequest(kImage);
  // clang-format off
  const struct {
    const char* what;
    std::vector<uint8_t> encoded;
    std::vector<uint8_t> expected;
  } cases[] = {
      {"offer: a class 8 message with one image mark", {offer.begin(), offer.end()}, {
          0x0B, 0, 0, 0, 29, 0, 0, 0,          // type, payload length
          0x87, 0xD6, 0x12, 0x00, 0, 0, 0, 0,  // recipient, sequence
          8, 0, 0, 0, 0,                       // class 8, empty text
          0x02, 13, 0,                         // rich text and the length of its data
          0, 0, 0x80, 0x09, 0x01,              // position, image flag, 09 01
          0xC4, 0x09, 0, 0, 0, 0, 0, 0xF0,     // size, checksum
      }},
      {"request: a class 4 control message", {request.begin(), request.end()}, {
          0x0B, 0, 0, 0, 22, 0, 0, 0,
          0x87, 0xD6, 0x12, 0x00, 0, 0, 0, 0,
          4, 0, 0, 0, 0,                       // class 4, empty text
          0x04,                                // request
          0xC4, 0x09, 0, 0, 0, 0, 0, 0xF0,
      }},
      {"first reply: the name, then data", EncodeImageReply(kImage, true, "a.png", data), {
          0x0B, 0, 0, 0, 30, 0, 0, 0,          // payload length 30 + 6 + 2 - 8
          0x87, 0xD6, 0x12, 0x00, 0, 0, 0, 0,
          4, 0, 0, 0, 0,
          0x05,                                // first reply
          0xC4, 0x09, 0, 0, 0, 0, 0, 0xF0,
          'a', '.', 'p', 'n', 'g', 0,          // name
          0xAA, 0xBB,                          // data
      }},
      {"later reply: only data", EncodeImageReply(kImage, false, "a.png", data), {
          0x0B, 0, 0, 0, 24, 0, 0, 0,
          0x87, 0xD6, 0x12, 0x00, 0, 0, 0, 0,
          4, 0, 0, 0, 0,
          0x06,                                // later reply: no name
          0xC4, 0x09, 0, 0, 0, 0, 0, 0xF0,
          0xAA, 0xBB,
      }},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(c.encoded, c.expected) << c.what;
}

TEST(ImagePackets, WrittenMarksAndOptionsReadBackWhole) {
  // One layout serves both directions: what is written is read back, with
  // every bit of size and checksum in place, and nothing written past it.
  const ImageMark marks[] = {
      {0, 0}, {1, 0xFFFFFFFFu}, {0xFFFFFFFFu, 1}, {0x01020304u, 0xA0B0C0D0u}};
  for (const ImageMark& mark : marks) {
    std::vector<uint8_t> block(kImageMarkBlockLength + 1, 0xEE);
    EncodeImageMarkBlock(block, mark);
    EXPECT_EQ(block.back(), 0xEE);
    block.pop_back();
    EXPECT_EQ(RichTextImageMarks(block), std::vector<ImageMark>{mark}) << mark.size;

    for (uint8_t kind : {kImageRequest, kImageFirstReply, kImageLaterReply}) {
      std::vector<uint8_t> option(kImageOptionFieldsLength + 1, 0xEE);
      EncodeImageOptionFields(option, kind, mark.size, mark.checksum);
      EXPECT_EQ(option.back(), 0xEE);
      option.pop_back();
      const std::optional<ImageOption> read = DecodeImageOption(option);
      ASSERT_TRUE(read);
      EXPECT_EQ(read->kind, kind);
      EXPECT_EQ(read->size, mark.size);
      EXPECT_EQ(read->checksum, mark.checksum);
    }
  }
}

// The sending and the receiving end read the option through one codec: what
// one sends, the other reads back whole, for the first and a later part.
TEST(ImagePackets, SentRepliesReadBackAsSent) {
  constexpr size_t kOption = 21;  // header, recipient, sequence, class, empty text
  const std::vector<uint8_t> data = {0, 1, 0xFF, 0};
  struct Case {
    const char* what;
    bool first;
    std::string name;
  } cases[] = {{"first", true, "photo.png"}, {"first, empty name", true, ""}, {"later", false, ""}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> packet = EncodeImageReply(kImage, c.first, c.name, data);
    std::optional<ImageReplyPart> part = DecodeImageReply(std::span(packet).subspan(kOption));
    ASSERT_TRUE(part) << c.what;
    EXPECT_EQ(part->first, c.first) << c.what;
    EXPECT_EQ(ImageId({kImage.uin, part->size, part->checksum}), kImage) << c.what;
    EXPECT_EQ(std::string(part->name.begin(), part->name.end()), c.name) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(part->data.begin(), part->data.end()), data) << c.what;
  }
}

TEST(ImagePackets, ReadsRepliesWithinTheirBytes) {
  // Kind, size 0x0102 and checksum 0x80000001, then what follows them.
  auto reply = [](uint8_t kind, std::vector<uint8_t> rest) {
    rest.insert(rest.begin(), {kind, 0x02, 0x01, 0, 0, 0x01, 0, 0, 0x80});
    return rest;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool decoded;
    bool first;
    std::string name;
    std::vector<uint8_t> data;
  } cases[] = {
      {"later part", reply(0x06, {1, 2, 3}), true, false, "", {1, 2, 3}},
      {"later part without data", reply(0x06, {}), true, false, "", {}},
      {"first part", reply(0x05, {'p', '.', 'g', 0, 9, 8}), true, true, "p.g", {9, 8}},
      {"first part with empty name", reply(0x05, {0, 7}), true, true, "", {7}},
      {"name without its zero byte", reply(0x05, {'n', 'a', 'm'}), true, true, "nam", {}},
      {"name and nothing else", reply(0x05, {}), true, true, "", {}},
      {"too short for the checksum", {0x06, 2, 1, 0, 0, 1, 0, 0}, false, false, "", {}},
      {"a request, not a reply", reply(0x04, {}), false, false, "", {}},
      {"nothing at all", {}, false, false, "", {}},
  };
  for (const Case& c : cases) {
    // Exact-size heap copies, so an over-read shows under the sanitizers.
    std::vector<uint8_t> exact(c.bytes);
    std::optional<ImageReplyPart> part = DecodeImageReply(exact);
    ASSERT_EQ(part.has_value(), c.decoded) << c.what;
    // Read from the option the hook has already decoded: the same part.
    std::optional<ImageOption> option = DecodeImageOption(exact);
    std::optional<ImageReplyPart> again;
    if (option) again = DecodeImageReply(*option);
    ASSERT_EQ(again.has_value(), c.decoded) << c.what;
    if (!part) continue;
    EXPECT_EQ(again->first, part->first) << c.what;
    EXPECT_EQ(again->name.data(), part->name.data()) << c.what;
    EXPECT_EQ(again->name.size(), part->name.size()) << c.what;
    EXPECT_EQ(again->data.data(), part->data.data()) << c.what;
    EXPECT_EQ(again->data.size(), part->data.size()) << c.what;
    EXPECT_EQ(part->first, c.first) << c.what;
    EXPECT_EQ(part->size, 0x0102u) << c.what;
    EXPECT_EQ(part->checksum, 0x80000001u) << c.what;
    EXPECT_EQ(std::string(part->name.begin(), part->name.end()), c.name) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(part->data.begin(), part->data.end()), c.data) << c.what;
  }
}

}  // namespace
}  // namespace kvel::wire
