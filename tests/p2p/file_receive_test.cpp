#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "p2p/transfer_records.h"
#include "p2p/transfer_stream.h"
#include "platform/dialogs.h"
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

const Bytes kAccept = {6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kRefuse = {7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

Bytes Slice(const Bytes& data, size_t from, size_t count) {
  return Bytes(data.begin() + static_cast<ptrdiff_t>(from),
               data.begin() + static_cast<ptrdiff_t>(from + count));
}

class FileReceiveTest : public ::testing::Test {
 protected:
  FileReceiveTest() { side_.saveChoice = Target(); }
  std::string Target() const { return scratch_.File("saved.bin"); }
  Bytes Saved() const {
    std::string content;
    if (!testing::ReadFile(Target(), &content)) return {};
    return Bytes(content.begin(), content.end());
  }
  bool Receive(FakeConnection& connection, uint32_t uin = 4321) {
    return ReceiveStream(connection, uin, side_);
  }

  testing::ScratchDir scratch_;
  FakeTransferSide side_;
};

TEST_F(FileReceiveTest, AsksSavesAndReportsEveryPiece) {
  const Bytes data = PatternBytes(5000);
  FakeConnection connection(StreamBuilder()
                                .Offer("raport.pdf", 5000)
                                .Chunk(kChunkMore, 4096, Slice(data, 0, 4096))
                                .Chunk(kChunkLast, 904, Slice(data, 4096, 904))
                                .Take());
  side_.peerName = "Ala";
  EXPECT_TRUE(Receive(connection, 4321));
  EXPECT_EQ(side_.peerNameAsked, std::vector<uint32_t>{4321});
  ASSERT_EQ(side_.DialogKinds(), (std::vector<std::string>{"question", "save"}));
  EXPECT_EQ(side_.dialogs[0].text,
            "Ala chce wys\xB3"
            "a\xE6 do Ciebie plik raport.pdf (4KB). Czy chcesz go odebra\xE6?");
  EXPECT_EQ(side_.dialogs[0].caption, "Pytanie");
  EXPECT_EQ(side_.dialogs[1].text, "raport.pdf");
  EXPECT_EQ(side_.dialogs[1].filter, std::string("wszystkie pliki\0*.*\0", 20));
  EXPECT_EQ(side_.dialogs[1].flags, 0x02000C02u);
  EXPECT_EQ(side_.dialogs[1].pathSize, 260u);
  EXPECT_EQ(connection.Written(), kAccept);
  ASSERT_EQ(side_.transferFiles.size(), 1u);
  EXPECT_EQ(side_.transferFiles[0].path, Target());
  EXPECT_EQ(side_.transferFiles[0].total, 5000);
  EXPECT_EQ(side_.transferFiles[0].done, 0);
  EXPECT_EQ(side_.progress, (std::vector<int64_t>{4096, 904}));
  EXPECT_EQ(Saved(), data);
  EXPECT_EQ(side_.openFiles, 0);
  EXPECT_EQ(side_.closedFiles, 1);
}

TEST_F(FileReceiveTest, ChunkSequencesEndAtTheLastChunkWhateverWasAnnounced) {
  const Bytes a = PatternBytes(4096, 1), b = PatternBytes(70000, 2), c = PatternBytes(10, 3);
  struct Case {
    const char* name;
    Bytes stream;
    Bytes expected;
    std::vector<int64_t> progress;
  };
  const Case cases[] = {
      {"empty file", StreamBuilder().Offer("e", 0).Chunk(kChunkLast, 0).Take(), {}, {}},
      {"multiple of 4096",
       StreamBuilder().Offer("m", 4096).Chunk(kChunkMore, 4096, a).Chunk(kChunkLast, 0).Take(),
       a,
       {4096}},
      {"zero and negative lengths carry no data",
       StreamBuilder()
           .Offer("z", 10)
           .Chunk(kChunkMore, 0)
           .Chunk(kChunkMore, -5)
           .Chunk(kChunkMore, INT32_MIN)
           .Chunk(kChunkLast, 10, c)
           .Take(),
       c,
       {10}},
      {"negative last chunk", StreamBuilder().Offer("n", 0).Chunk(kChunkLast, -1).Take(), {}, {}},
      {"above 65535 in pieces",
       StreamBuilder().Offer("b", 70000).Chunk(kChunkLast, 70000, b).Take(),
       b,
       {65535, 4465}},
      {"more than announced",
       StreamBuilder().Offer("s", 10).Chunk(kChunkLast, 4096, a).Take(),
       a,
       {4096}},
      {"fewer than announced",
       StreamBuilder().Offer("f", 5000000).Chunk(kChunkLast, 10, c).Take(),
       c,
       {10}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    FakeConnection connection(test.stream);
    EXPECT_TRUE(ReceiveStream(connection, 1, side));
    EXPECT_EQ(Saved(), test.expected);
    EXPECT_EQ(side.progress, test.progress);
    for (int ask : connection.ReadAsks()) EXPECT_LE(ask, kReceivePieceMax);
  }
}

TEST_F(FileReceiveTest, AnyReadSplitGivesTheSameFile) {
  const Bytes data = PatternBytes(140000);
  const Bytes stream = StreamBuilder()
                           .Offer("big", data.size())
                           .Chunk(kChunkMore, 100000, Slice(data, 0, 100000))
                           .Chunk(kChunkLast, 40000, Slice(data, 100000, 40000))
                           .Take();
  for (size_t limit : {size_t{1}, size_t{7}, size_t{4096}, size_t{0}}) {
    SCOPED_TRACE(limit);
    FakeTransferSide side;
    side.saveChoice = Target();
    FakeConnection connection(stream);
    connection.SetReadLimit(limit);
    EXPECT_TRUE(ReceiveStream(connection, 1, side));
    EXPECT_EQ(Saved(), data);
    EXPECT_EQ(side.ProgressTotal(), 140000);
    // Every read that returned data was reported on its own.
    if (limit == 1) {
      EXPECT_EQ(side.progress.size(), 140000u);
    } else if (limit == 0) {
      EXPECT_EQ(side.progress, (std::vector<int64_t>{65535, 34465, 40000}));
    }
  }
}

TEST_F(FileReceiveTest, TrueOnlyAfterTheLastChunkAndItsData) {
  const Bytes data = PatternBytes(20);
  const Bytes stream = StreamBuilder()
                           .Offer("cut.bin", 20)
                           .Chunk(kChunkMore, 8, Slice(data, 0, 8))
                           .Chunk(kChunkMore, 0)
                           .Chunk(kChunkLast, 12, Slice(data, 8, 12))
                           .Take();
  const size_t offerEnd = 16 + kFileInfoSize;
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    for (bool fail : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "cut " << cut << (fail ? " error" : " end"));
      FakeTransferSide side;
      side.saveChoice = Target();
      FakeConnection connection(stream);
      connection.CutAt(cut, fail);
      EXPECT_EQ(ReceiveStream(connection, 1, side), cut == stream.size());
      EXPECT_EQ(side.openFiles, 0);
      // Nothing is asked or answered before the whole offer is in.
      EXPECT_EQ(side.dialogs.empty(), cut < offerEnd);
      EXPECT_EQ(connection.Written(), cut < offerEnd ? Bytes{} : kAccept);
      if (cut >= offerEnd) {
        EXPECT_EQ(side.closedFiles, 1);
        // What arrived is on disk; a broken transfer leaves it there. Data
        // sits at 12..20 and 44..56 after the offer.
        auto arrived = [&](size_t from, size_t count) {
          const size_t start = offerEnd + from;
          return cut <= start ? size_t{0} : std::min(cut - start, count);
        };
        const size_t got = arrived(12, 8) + arrived(44, 12);
        EXPECT_EQ(Saved(), Slice(data, 0, got));
      }
    }
  }
}

TEST_F(FileReceiveTest, WrongWordsOrChunkTypesEndWithFalse) {
  struct Case {
    const char* name;
    Bytes stream;
    bool asked;
  };
  const Case cases[] = {
      {"first word not OfferStart", StreamBuilder().Word(2).Word(3).Take(), false},
      {"second word not OfferInfo", StreamBuilder().Word(1).Word(6).Take(), false},
      {"chunk type 1",
       StreamBuilder().Offer("t", 1).Chunk(1, 1, {0x41}).Chunk(kChunkLast, 0).Take(), true},
      {"chunk type 4 after good data",
       StreamBuilder().Offer("t", 2).Chunk(kChunkMore, 1, {0x41}).Chunk(4, 1, {0x42}).Take(), true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    FakeConnection connection(test.stream);
    EXPECT_FALSE(ReceiveStream(connection, 1, side));
    EXPECT_EQ(!side.dialogs.empty(), test.asked);
    EXPECT_EQ(connection.Written(), test.asked ? kAccept : Bytes{});
    EXPECT_EQ(side.openFiles, 0);
  }
}

TEST_F(FileReceiveTest, RefusalSendsExactlyTheRefusalAndMakesNoFile) {
  FakeConnection connection(
      StreamBuilder().Offer("x.txt", 3).Chunk(kChunkLast, 3, {1, 2, 3}).Take());
  side_.answerYes = false;
  EXPECT_FALSE(Receive(connection));
  EXPECT_EQ(connection.Writes(), std::vector<Bytes>{kRefuse});
  EXPECT_EQ(side_.DialogKinds(), std::vector<std::string>{"question"});
  EXPECT_TRUE(side_.opened.empty());
  EXPECT_TRUE(side_.transferFiles.empty());
  EXPECT_FALSE(testing::FileExists(Target()));
}

TEST_F(FileReceiveTest, CancelledSaveDialogSendsNothing) {
  FakeConnection connection(
      StreamBuilder().Offer("x.txt", 3).Chunk(kChunkLast, 3, {1, 2, 3}).Take());
  side_.saveChoice.reset();
  EXPECT_FALSE(Receive(connection));
  EXPECT_TRUE(connection.Written().empty());
  EXPECT_TRUE(side_.opened.empty());
  EXPECT_TRUE(side_.transferFiles.empty());
}

TEST_F(FileReceiveTest, AFileThatCannotBeCreatedIsRefused) {
  FakeConnection connection(
      StreamBuilder().Offer("x.txt", 3).Chunk(kChunkLast, 3, {1, 2, 3}).Take());
  side_.saveChoice = scratch_.File("no-such-directory") + "/x.txt";
  EXPECT_FALSE(Receive(connection));
  EXPECT_EQ(connection.Written(), kRefuse);
  EXPECT_TRUE(side_.transferFiles.empty());
  EXPECT_TRUE(side_.progress.empty());
}

TEST_F(FileReceiveTest, AFileThatCannotBeWrittenEndsWithFalse) {
  const Bytes data = PatternBytes(9000);
  FakeConnection connection(StreamBuilder()
                                .Offer("x.bin", 9000)
                                .Chunk(kChunkMore, 4096, Slice(data, 0, 4096))
                                .Chunk(kChunkMore, 4096, Slice(data, 4096, 4096))
                                .Chunk(kChunkLast, 808, Slice(data, 8192, 808))
                                .Take());
  side_.failWriteAfter = 5000;
  EXPECT_FALSE(Receive(connection));
  EXPECT_EQ(side_.progress, std::vector<int64_t>{4096});
  EXPECT_EQ(side_.closedFiles, 1);
  EXPECT_EQ(side_.openFiles, 0);
}

TEST_F(FileReceiveTest, HostileNamesAreShownAndProposedSanitised) {
  const struct {
    std::string offered;
    std::string shown;
  } cases[] = {
      {"..\\..\\Windows\\win.ini", "win.ini"},
      {"C:evil.exe", "evil.exe"},
      {"CON", "_CON"},
      {"a\x01<b>.txt", "ab.txt"},
      {"...", "plik"},
      {"", "plik"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offered);
    FakeTransferSide side;
    side.saveChoice.reset();
    FakeConnection connection(StreamBuilder().Offer(c.offered, 0).Take());
    EXPECT_FALSE(ReceiveStream(connection, 1, side));
    ASSERT_EQ(side.DialogKinds(), (std::vector<std::string>{"question", "save"}));
    EXPECT_EQ(side.dialogs[0].text,
              "Ala chce wys\xB3"
              "a\xE6 do Ciebie plik " +
                  c.shown + " (0KB). Czy chcesz go odebra\xE6?");
    EXPECT_EQ(side.dialogs[1].text, c.shown);
  }
}

TEST_F(FileReceiveTest, ANameFieldWithoutAZeroIsCutAtItsEnd) {
  Bytes stream = StreamBuilder().Offer("", 0).Take();
  const size_t field = 16 + kFileNameOffset;
  std::fill(stream.begin() + field, stream.begin() + field + kFileNameField, 'q');
  std::fill(stream.begin() + field + kFileNameField, stream.end(), '#');
  FakeConnection connection(stream);
  side_.saveChoice.reset();
  EXPECT_FALSE(Receive(connection));
  ASSERT_EQ(side_.dialogs.size(), 2u);
  EXPECT_EQ(side_.dialogs[1].text, std::string(255, 'q'));
  EXPECT_EQ(side_.dialogs[0].text.find('#'), std::string::npos);
}

TEST_F(FileReceiveTest, TwoGibibytesAndMoreAreShownWhole) {
  FakeConnection connection(StreamBuilder().Offer("dvd.iso", 0x1'2345'6789ull).Take());
  side_.saveChoice = Target();
  EXPECT_FALSE(Receive(connection));  // the stream ends after the offer
  EXPECT_NE(side_.dialogs[0].text.find("(4772185KB)"), std::string::npos);
  ASSERT_EQ(side_.transferFiles.size(), 1u);
  EXPECT_EQ(side_.transferFiles[0].total, 0x1'2345'6789ll);
}

}  // namespace
}  // namespace kvel::p2p
