#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/transfer_records.h"

namespace kvel::wire {
namespace {

TEST(TransferRecordsTest, FileInfoFieldsSitAtTheirOffsets) {
  FileInfo info;
  info.attributes = 0x20;
  info.creationTime = 0x0102030405060708ull;
  info.lastAccessTime = 0x1112131415161718ull;
  info.lastWriteTime = 0x2122232425262728ull;
  info.sizeHigh = 0x00000001;
  info.sizeLow = 0x80000010;
  info.name = "raport.pdf";
  const FileInfoBytes bytes = EncodeFileInfo(info);
  EXPECT_EQ(bytes[0], 0x20);
  EXPECT_EQ(bytes[4], 0x08);  // FILETIME low word first
  EXPECT_EQ(bytes[11], 0x01);
  EXPECT_EQ(bytes[12], 0x18);
  EXPECT_EQ(bytes[20], 0x28);
  EXPECT_EQ(bytes[28], 0x01);
  EXPECT_EQ(bytes[32], 0x10);
  EXPECT_EQ(bytes[35], 0x80);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[44])), "raport.pdf");
  // Undefined bytes go out as zero rather than as stale memory.
  for (size_t i = 36; i < 44; ++i) EXPECT_EQ(bytes[i], 0) << i;
  for (size_t i = 44 + info.name.size(); i < kFileInfoSize; ++i) EXPECT_EQ(bytes[i], 0) << i;

  const FileInfo back = *DecodeFileInfo(bytes);
  EXPECT_EQ(back.attributes, info.attributes);
  EXPECT_EQ(back.creationTime, info.creationTime);
  EXPECT_EQ(back.lastAccessTime, info.lastAccessTime);
  EXPECT_EQ(back.lastWriteTime, info.lastWriteTime);
  EXPECT_EQ(back.Size(), 0x180000010ull);
  EXPECT_EQ(back.name, "raport.pdf");
}

TEST(TransferRecordsTest, NameIsBoundedToItsField) {
  FileInfo info;
  info.name = std::string(400, 'x');
  FileInfoBytes bytes = EncodeFileInfo(info);
  EXPECT_EQ(DecodeFileInfo(bytes)->name, std::string(259, 'x'));  // room for the zero
  // A peer's field without a zero is cut at its end, not read beyond it.
  for (size_t i = 0; i < kFileNameField; ++i) bytes[kFileNameOffset + i] = 'y';
  for (size_t i = kFileNameOffset + kFileNameField; i < kFileInfoSize; ++i) bytes[i] = 'z';
  EXPECT_EQ(DecodeFileInfo(bytes)->name, std::string(260, 'y'));
}

TEST(TransferRecordsTest, ShortInputIsNotARecord) {
  const std::vector<uint8_t> eleven(11, 0), short_info(319, 0);
  EXPECT_FALSE(DecodeChunkHeader(eleven));
  EXPECT_FALSE(DecodeOfferReply(eleven));
  EXPECT_FALSE(DecodeFileInfo(short_info));
}

TEST(TransferRecordsTest, RepliesAndHeadersAreThreeWords) {
  const OfferReplyBytes refuse = EncodeOfferReply(kReplyRefuse);
  EXPECT_EQ(std::vector<uint8_t>(refuse.begin(), refuse.end()),
            (std::vector<uint8_t>{7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  const ChunkHeaderBytes last = EncodeChunkHeader({kChunkLast, 904});
  EXPECT_EQ(std::vector<uint8_t>(last.begin(), last.end()),
            (std::vector<uint8_t>{2, 0, 0, 0, 0x88, 0x03, 0, 0, 0, 0, 0, 0}));
  // The length is signed; the reserved words are not read.
  const std::vector<uint8_t> negative = {3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 9, 9, 9, 9};
  EXPECT_EQ(DecodeChunkHeader(negative)->type, kChunkMore);
  EXPECT_EQ(DecodeChunkHeader(negative)->length, -1);
}

TEST(TransferRecordsTest, AReplyCarriesItsCodeAndTheOffsetAskedFor) {
  struct Case {
    std::vector<uint8_t> bytes;
    uint32_t code, offset;
  } cases[] = {
      {{6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, kReplyAccept, 0},
      {{6, 0, 0, 0, 0xE0, 0x2E, 0, 0, 0, 0, 0, 0}, kReplyAccept, 12000},
      {{6, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, kReplyAccept, 0xFFFFFFFFu},
      // The third word is not read.
      {{6, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, kReplyAccept, 0x04030201u},
      {{7, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0}, kReplyRefuse, 9},
  };
  for (const Case& c : cases) {
    const std::optional<OfferReply> reply = DecodeOfferReply(c.bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->code, c.code);
    EXPECT_EQ(reply->offset, c.offset);
    if (c.bytes[8] == 0) {
      const OfferReplyBytes encoded = EncodeOfferReply(c.code, c.offset);
      EXPECT_EQ(std::vector<uint8_t>(encoded.begin(), encoded.end()), c.bytes);
    }
  }
}

}  // namespace
}  // namespace kvel::wire
