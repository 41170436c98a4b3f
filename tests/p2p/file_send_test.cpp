#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "p2p/transfer_records.h"
#include "p2p/transfer_stream.h"
#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/test_paths.h"

namespace kvel::p2p {
namespace {

using testing::FakeConnection;
using testing::FakeTransferSide;
using testing::PatternBytes;
using testing::StreamBuilder;
using Bytes = std::vector<uint8_t>;

const Bytes kOfferStartBytes = {1, 0, 0, 0};
const Bytes kAccept = {6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
// OfferStart, OfferInfo, two zero words and the record.
constexpr size_t kOfferSize = 16 + kFileInfoSize;

Bytes Header(uint32_t type, int32_t length) {
  const ChunkHeaderBytes header = PackChunkHeader({type, length});
  return Bytes(header.begin(), header.end());
}

Bytes Slice(const Bytes& data, size_t from, size_t count) {
  return Bytes(data.begin() + static_cast<ptrdiff_t>(from),
               data.begin() + static_cast<ptrdiff_t>(from + count));
}

class FileSendTest : public ::testing::Test {
 protected:
  std::string Source(const Bytes& content, const std::string& name = "source.bin") {
    const std::string path = scratch_.File(name);
    testing::WriteFile(path, std::string(content.begin(), content.end()));
    side_.openChoice = path;
    return path;
  }
  // The record as the peer received it.
  static FileInfo SentRecord(const FakeConnection& connection) {
    const Bytes& written = connection.Written();
    return *UnpackFileInfo(Slice(written, 16, kFileInfoSize));
  }

  testing::ScratchDir scratch_;
  FakeTransferSide side_;
};

TEST_F(FileSendTest, SendsFullChunksThenAShortLastOne) {
  struct Case {
    size_t size;
    std::vector<std::pair<uint32_t, int32_t>> chunks;
  };
  const Case cases[] = {
      {0, {{kChunkLast, 0}}},
      {1, {{kChunkLast, 1}}},
      {4095, {{kChunkLast, 4095}}},
      {4096, {{kChunkMore, 4096}, {kChunkLast, 0}}},
      {5000, {{kChunkMore, 4096}, {kChunkLast, 904}}},
      {8192, {{kChunkMore, 4096}, {kChunkMore, 4096}, {kChunkLast, 0}}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.size);
    FakeTransferSide side;
    const Bytes data = PatternBytes(test.size, 9);
    const std::string path = Source(data, std::string("f") + std::to_string(test.size) + ".bin");
    side.openChoice = path;
    FakeConnection connection(kAccept);
    ASSERT_TRUE(SendStream(connection, side));

    // One write per item: OfferStart, OfferInfo, two zeros, the record, then
    // each chunk's header and its data (no write for no data).
    std::vector<Bytes> expected = {kOfferStartBytes, {3, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    expected.push_back(Slice(connection.Written(), 16, kFileInfoSize));
    std::vector<int64_t> progress;
    size_t offset = 0;
    for (const auto& [type, length] : test.chunks) {
      expected.push_back(Header(type, length));
      if (length > 0) expected.push_back(Slice(data, offset, static_cast<size_t>(length)));
      offset += static_cast<size_t>(length);
      progress.push_back(length);
    }
    EXPECT_EQ(connection.Writes(), expected);
    EXPECT_EQ(side.progress, progress);
    const FileInfo record = SentRecord(connection);
    EXPECT_EQ(record.Size(), test.size);
    EXPECT_EQ(record.name, std::string("f") + std::to_string(test.size) + ".bin");
    ASSERT_EQ(side.transferFiles.size(), 1u);
    EXPECT_EQ(side.transferFiles[0].path, path);
    EXPECT_EQ(side.transferFiles[0].total, static_cast<int64_t>(test.size));
    EXPECT_EQ(side.transferFiles[0].done, 0);
    EXPECT_EQ(side.openFiles, 0);
    EXPECT_EQ(side.closedFiles, 1);
  }
}

TEST_F(FileSendTest, OfferStartGoesOutBeforeTheDialogOpens) {
  FakeConnection connection;
  Bytes sentAtDialog;
  side_.onDialog = [&](const FakeTransferSide::Dialog&) { sentAtDialog = connection.Written(); };
  side_.openChoice.reset();
  EXPECT_FALSE(SendStream(connection, side_));
  EXPECT_EQ(sentAtDialog, kOfferStartBytes);
  ASSERT_EQ(side_.DialogKinds(), std::vector<std::string>{"open"});
  EXPECT_EQ(side_.dialogs[0].text, "");  // nothing proposed
  EXPECT_EQ(side_.dialogs[0].filter, std::string("wszystkie pliki\0*.*\0", 20));
  EXPECT_EQ(side_.dialogs[0].flags, 0x02001C02u);
  EXPECT_EQ(side_.dialogs[0].pathSize, 260u);
  // Cancelled: the peer has the first word only.
  EXPECT_EQ(connection.Written(), kOfferStartBytes);
  EXPECT_TRUE(side_.opened.empty());
}

TEST_F(FileSendTest, AnyReplyButAcceptEndsWithoutData) {
  Source(PatternBytes(100));
  for (uint32_t code : {7u, 0u, 1u, 5u, 0x106u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(code);
    FakeTransferSide side;
    side.openChoice = side_.openChoice;
    const OfferReplyBytes reply = PackOfferReply(code);
    FakeConnection connection(Bytes(reply.begin(), reply.end()));
    EXPECT_FALSE(SendStream(connection, side));
    EXPECT_EQ(connection.Written().size(), kOfferSize);
    EXPECT_TRUE(side.transferFiles.empty());
    EXPECT_TRUE(side.opened.empty());
  }
}

TEST_F(FileSendTest, AReplyCutShortEndsWithFalse) {
  Source(PatternBytes(100));
  for (size_t cut = 0; cut < kOfferReplySize; ++cut) {
    for (bool fail : {false, true}) {
      SCOPED_TRACE(cut);
      FakeTransferSide side;
      side.openChoice = side_.openChoice;
      FakeConnection connection(kAccept);
      connection.CutAt(cut, fail);
      EXPECT_FALSE(SendStream(connection, side));
      EXPECT_EQ(connection.Written().size(), kOfferSize);
      EXPECT_TRUE(side.opened.empty());
    }
  }
}

TEST_F(FileSendTest, AcceptedReplyInOneBytePiecesIsEnough) {
  Source(PatternBytes(10));
  FakeConnection connection(kAccept);
  connection.SetReadLimit(1);
  EXPECT_TRUE(SendStream(connection, side_));
  EXPECT_EQ(connection.Written().size(), kOfferSize + 12 + 10);
}

TEST_F(FileSendTest, TrueOnlyWhenEveryByteWasSent) {
  const Bytes data = PatternBytes(5000);
  Source(data);
  const size_t total = kOfferSize + 12 + 4096 + 12 + 904;
  for (size_t limit = 0; limit <= total; ++limit) {
    SCOPED_TRACE(limit);
    FakeTransferSide side;
    side.openChoice = side_.openChoice;
    FakeConnection connection(kAccept);
    connection.FailWritesAfter(limit);
    EXPECT_EQ(SendStream(connection, side), limit == total);
    EXPECT_EQ(side.openFiles, 0);
    EXPECT_LE(side.ProgressTotal(), static_cast<int64_t>(limit));
  }
}

TEST_F(FileSendTest, AFileThatCannotBeReadSendsNoLastChunk) {
  const Bytes data = PatternBytes(9000);
  Source(data);
  {
    SCOPED_TRACE("cannot be opened");
    FakeTransferSide side;
    side.openChoice = side_.openChoice;
    side.failOpenForReading = true;
    FakeConnection connection(kAccept);
    EXPECT_FALSE(SendStream(connection, side));
    EXPECT_EQ(connection.Written().size(), kOfferSize);
  }
  {
    SCOPED_TRACE("read fails in the second chunk");
    FakeTransferSide side;
    side.openChoice = side_.openChoice;
    side.failReadAfter = 5000;
    FakeConnection connection(kAccept);
    EXPECT_FALSE(SendStream(connection, side));
    const Bytes after =
        Slice(connection.Written(), kOfferSize, connection.Written().size() - kOfferSize);
    Bytes expected = Header(kChunkMore, 4096);
    const Bytes first = Slice(data, 0, 4096);
    expected.insert(expected.end(), first.begin(), first.end());
    EXPECT_EQ(after, expected);
    EXPECT_EQ(side.closedFiles, 1);
    EXPECT_EQ(side.openFiles, 0);
  }
  {
    SCOPED_TRACE("no file information");
    FakeTransferSide side;
    side.openChoice = scratch_.File("vanished.bin");
    FakeConnection connection(kAccept);
    EXPECT_FALSE(SendStream(connection, side));
    EXPECT_EQ(connection.Written(), kOfferStartBytes);
  }
}

TEST_F(FileSendTest, RecordCarriesThePlatformInformationAndTheBareName) {
  platform::FileInformation information;
  information.attributes = 0x21;
  information.creationTime = 0x01D0000000000001ull;
  information.lastAccessTime = 0x01D0000000000002ull;
  information.lastWriteTime = 0x01D0000000000003ull;
  information.size = 0x1'0000'0010ull;  // above 4 GiB: both words go out
  const struct {
    std::string path;
    std::string name;
  } cases[] = {
      {"C:\\Moje dokumenty\\zdj\xEA"
       "cie.jpg",
       "zdj\xEA"
       "cie.jpg"},
      {"plain-name.txt", "plain-name.txt"},
      {"/home/ala/notes.md", "notes.md"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    FakeTransferSide side;
    side.openChoice = c.path;
    side.information = information;
    side.failOpenForReading = true;
    FakeConnection connection(kAccept);
    EXPECT_FALSE(SendStream(connection, side));
    const FileInfo record = SentRecord(connection);
    EXPECT_EQ(record.attributes, 0x21u);
    EXPECT_EQ(record.creationTime, information.creationTime);
    EXPECT_EQ(record.lastAccessTime, information.lastAccessTime);
    EXPECT_EQ(record.lastWriteTime, information.lastWriteTime);
    EXPECT_EQ(record.sizeHigh, 1u);
    EXPECT_EQ(record.sizeLow, 0x10u);
    EXPECT_EQ(record.name, c.name);
    ASSERT_EQ(side.transferFiles.size(), 1u);
    EXPECT_EQ(side.transferFiles[0].total, 0x1'0000'0010ll);
  }
}

}  // namespace
}  // namespace kvel::p2p
