#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "transfers/kept/kept_parts.h"
#include "transfers/kept/part_names.h"
#include "transfers/kept/resume_point.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/room_check.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/golden_stream.h"
#include "support/lone_transfer.h"
#include "support/test_paths.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

using testing::FakeConnection;
using testing::FakeTransferSide;
using testing::LoneTransfer;
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
  bool Receive(FakeConnection& connection) {
    return ReceiveStream(connection, side_, transfer_.handle);
  }
  // The folder holds the target at most: no part file is ever left behind.
  void ExpectNoPartFiles() const {
    for (const std::string& name : scratch_.Names()) EXPECT_EQ(name, "saved.bin");
  }

  testing::ScratchDir scratch_;
  FakeTransferSide side_;
  LoneTransfer transfer_{4321};
};

TEST_F(FileReceiveTest, AsksSavesAndReportsTheTotal) {
  const Bytes data = PatternBytes(5000);
  FakeConnection connection(StreamBuilder()
                                .Offer("raport.pdf", 5000)
                                .Chunk(wire::kChunkMore, 4096, Slice(data, 0, 4096))
                                .Chunk(wire::kChunkLast, 904, Slice(data, 4096, 904))
                                .Take());
  side_.peerName = "Ala";
  EXPECT_TRUE(Receive(connection));
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
  // The reply is one write.
  EXPECT_EQ(connection.Writes(), std::vector<Bytes>{kAccept});
  // The record has the file, its size from the start, and every byte.
  const Transfer facts = transfer_.Read();
  EXPECT_EQ(facts.state, TransferState::Moving);
  EXPECT_EQ(facts.path, Target());
  EXPECT_EQ(facts.size, 5000);
  EXPECT_EQ(facts.offset, 0);
  EXPECT_EQ(facts.moved, 5000);
  EXPECT_EQ(Saved(), data);
  EXPECT_EQ(side_.openFiles, 0);
  EXPECT_EQ(side_.closedFiles, 1);
  // Written beside the target under a part name, then moved over it.
  ASSERT_EQ(side_.opened.size(), 1u);
  const std::string part = side_.opened[0].substr(2);
  EXPECT_EQ(part.rfind(Target() + ".", 0), 0u);
  EXPECT_EQ(part.substr(part.size() - 10), ".kvel-part");
  EXPECT_EQ(side_.moved, std::vector<std::string>{part + ">" + Target()});
  EXPECT_TRUE(side_.removed.empty());
  EXPECT_EQ(scratch_.Names(), std::vector<std::string>{"saved.bin"});
}

TEST_F(FileReceiveTest, ChunksMustBringExactlyTheAnnouncedSize) {
  const Bytes a = PatternBytes(4096, 1), b = PatternBytes(70000, 2), c = PatternBytes(10, 3);
  // A peer that streams `count` chunks of 4096 bytes.
  auto flood = [&](uint64_t announced, size_t count) {
    StreamBuilder stream;
    stream.Offer("flood", announced);
    for (size_t i = 0; i < count; ++i) stream.Chunk(wire::kChunkMore, 4096, a);
    return stream.Chunk(wire::kChunkLast, 0).Take();
  };
  struct Case {
    const char* name;
    uint64_t announced;
    Bytes stream;
    bool whole;
    Bytes expected;
  };
  const Case cases[] = {
      {"empty file", 0, StreamBuilder().Offer("e", 0).Chunk(wire::kChunkLast, 0).Take(), true, {}},
      {"multiple of 4096", 4096,
       StreamBuilder()
           .Offer("m", 4096)
           .Chunk(wire::kChunkMore, 4096, a)
           .Chunk(wire::kChunkLast, 0)
           .Take(),
       true, a},
      {"zero and negative lengths carry no data", 10,
       StreamBuilder()
           .Offer("z", 10)
           .Chunk(wire::kChunkMore, 0)
           .Chunk(wire::kChunkMore, -5)
           .Chunk(wire::kChunkMore, INT32_MIN)
           .Chunk(wire::kChunkLast, 10, c)
           .Take(),
       true, c},
      {"negative last chunk",
       0,
       StreamBuilder().Offer("n", 0).Chunk(wire::kChunkLast, -1).Take(),
       true,
       {}},
      {"one chunk above 64 KiB", 70000,
       StreamBuilder().Offer("b", 70000).Chunk(wire::kChunkLast, 70000, b).Take(), true, b},
      {"more than announced",
       10,
       StreamBuilder().Offer("s", 10).Chunk(wire::kChunkLast, 4096, a).Take(),
       false,
       {}},
      {"fewer than announced",
       5000000,
       StreamBuilder().Offer("f", 5000000).Chunk(wire::kChunkLast, 10, c).Take(),
       false,
       {}},
      {"offered 10 bytes, 64 MiB streamed", 10, flood(10, 16384), false, {}},
      {"offered 0, 8 MiB streamed", 0, flood(0, 2048), false, {}},
      {"offered 5 GiB, one 4 KiB last chunk",
       5ull << 30,
       StreamBuilder().Offer("g", 5ull << 30).Chunk(wire::kChunkLast, 4096, a).Take(),
       false,
       {}},
      {"past the announced size in small chunks",
       10,
       StreamBuilder()
           .Offer("p", 10)
           .Chunk(wire::kChunkMore, 4, Slice(c, 0, 4))
           .Chunk(wire::kChunkMore, 4, Slice(c, 4, 4))
           .Chunk(wire::kChunkMore, 4, {1, 2, 3, 4})
           .Chunk(wire::kChunkLast, 0)
           .Take(),
       false,
       {}},
      {"endless empty chunks",
       1,
       [] {
         StreamBuilder stream;
         stream.Offer("x", 1);
         for (int i = 0; i < 5000; ++i) stream.Chunk(wire::kChunkMore, 0);
         return stream.Chunk(wire::kChunkLast, 1, {7}).Take();
       }(),
       false,
       {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakeTransferSide side;
    LoneTransfer transfer;
    side.saveChoice = Target();
    side.keeps = false;  // the part's writes alone
    FakeConnection connection(test.stream);
    EXPECT_EQ(ReceiveStream(connection, side, transfer.handle), test.whole);
    EXPECT_EQ(testing::FileExists(Target()), test.whole);
    if (test.whole) {
      EXPECT_EQ(Saved(), test.expected);
    }
    // Not a byte past the announced size reached the disk.
    size_t written = 0;
    for (size_t count : side.fileWrites) written += count;
    EXPECT_LE(written, test.announced);
    if (test.whole) {
      EXPECT_EQ(transfer.Read().moved, static_cast<int64_t>(test.announced));
    } else {
      EXPECT_EQ(side.removed.size(), 1u);
    }
    for (int ask : connection.ReadAsks())
      EXPECT_LE(ask, static_cast<int>(wire::kReceiveBufferSize));
    ExpectNoPartFiles();
    std::remove(Target().c_str());
  }
}

TEST_F(FileReceiveTest, AnyReadSplitGivesTheSameFile) {
  const Bytes data = PatternBytes(140000);
  const Bytes stream = StreamBuilder()
                           .Offer("big", data.size())
                           .Chunk(wire::kChunkMore, 100000, Slice(data, 0, 100000))
                           .Chunk(wire::kChunkLast, 40000, Slice(data, 100000, 40000))
                           .Take();
  for (size_t limit : {size_t{1}, size_t{7}, size_t{4096}, size_t{0}}) {
    SCOPED_TRACE(limit);
    FakeTransferSide side;
    LoneTransfer transfer;
    side.saveChoice = Target();
    FakeConnection connection(stream);
    connection.SetReadLimit(limit);
    EXPECT_TRUE(ReceiveStream(connection, side, transfer.handle));
    EXPECT_EQ(Saved(), data);
    EXPECT_EQ(transfer.Read().moved, 140000);
  }
}

TEST_F(FileReceiveTest, GoldenStreamsInRandomPiecesGiveIdenticalFiles) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<size_t> piece(1, 70000);
  std::vector<size_t> splits(64);
  for (size_t& split : splits) split = piece(random);
  // Small pieces too, so that headers are cut at every position.
  for (size_t small = 1; small <= 13; ++small) splits.push_back(small);
  for (size_t size : {0u, 1u, 4095u, 4096u, 4097u, 65535u, 65536u, 65537u, (1u << 20) + 3}) {
    SCOPED_TRACE(size);
    const Bytes data = PatternBytes(size, static_cast<uint32_t>(size));
    Bytes stream = testing::GoldenOffer("golden.bin", size);
    const Bytes chunks = testing::GoldenChunks(data);
    stream.insert(stream.end(), chunks.begin(), chunks.end());
    for (size_t rotation : {0u, 7u, 31u}) {
      std::vector<size_t> order(splits.begin() + static_cast<ptrdiff_t>(rotation), splits.end());
      order.insert(order.end(), splits.begin(), splits.begin() + static_cast<ptrdiff_t>(rotation));
      FakeTransferSide side;
      LoneTransfer transfer;
      side.saveChoice = Target();
      side.keeps = false;  // the part's writes alone
      FakeConnection connection(stream);
      connection.SetReadSplits(order);
      ASSERT_TRUE(ReceiveStream(connection, side, transfer.handle));
      EXPECT_TRUE(Saved() == data);
      EXPECT_EQ(transfer.Read().moved, static_cast<int64_t>(size));
      // The file is written in whole blocks but for the last.
      for (size_t i = 0; i + 1 < side.fileWrites.size(); ++i) {
        EXPECT_EQ(side.fileWrites[i], wire::kFileBlockSize);
      }
      std::remove(Target().c_str());
    }
  }
}

TEST_F(FileReceiveTest, TheByteCountFollowsTheFileAsItArrives) {
  // Read as each piece is written: the count never runs ahead of the file
  // nor past the size, and ends exact.
  const Bytes data = PatternBytes(300000);
  Bytes stream = testing::GoldenOffer("p.bin", data.size());
  const Bytes chunks = testing::GoldenChunks(data);
  stream.insert(stream.end(), chunks.begin(), chunks.end());
  FakeTransferSide side;
  side.saveChoice = Target();
  LoneTransfer transfer;
  FakeConnection connection(stream);
  connection.SetReadSplits({5000, 70000, 1, 20000});
  std::vector<int64_t> seen;
  connection.SetOnRead([&] { seen.push_back(transfer.Read().moved); });
  ASSERT_TRUE(ReceiveStream(connection, side, transfer.handle));
  EXPECT_EQ(transfer.Read().moved, static_cast<int64_t>(data.size()));
  ASSERT_FALSE(seen.empty());
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
  EXPECT_LE(seen.back(), static_cast<int64_t>(data.size()));
  // Counted as the data came, not only at the end.
  EXPECT_GT(std::count_if(seen.begin(), seen.end(),
                          [&](int64_t moved) { return moved > 0 && moved < 300000; }),
            3);
}

// (What a cut of a larger file keeps: file_resume_test.cpp.)
TEST_F(FileReceiveTest, OnlyAWholeStreamReplacesTheTargetAndACutOfASmallFileLeavesNothing) {
  const Bytes data = PatternBytes(20);
  const Bytes stream = StreamBuilder()
                           .Offer("cut.bin", 20)
                           .Chunk(wire::kChunkMore, 8, Slice(data, 0, 8))
                           .Chunk(wire::kChunkMore, 0)
                           .Chunk(wire::kChunkLast, 12, Slice(data, 8, 12))
                           .Take();
  const Bytes old = {'o', 'l', 'd'};
  const size_t offerEnd = 16 + wire::kFileInfoSize;
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    for (bool fail : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "cut " << cut << (fail ? " error" : " end"));
      testing::WriteFile(Target(), std::string(old.begin(), old.end()));
      FakeTransferSide side;
      LoneTransfer transfer;
      side.saveChoice = Target();
      FakeConnection connection(stream);
      connection.CutAt(cut, fail);
      const bool whole = cut == stream.size();
      EXPECT_EQ(ReceiveStream(connection, side, transfer.handle), whole);
      EXPECT_EQ(side.openFiles, 0);
      // Nothing is asked or answered before the whole offer is in.
      EXPECT_EQ(side.dialogs.empty(), cut < offerEnd);
      EXPECT_EQ(connection.Written(), cut < offerEnd ? Bytes{} : kAccept);
      EXPECT_EQ(side.closedFiles, cut < offerEnd ? 0 : 1);
      EXPECT_EQ(Saved(), whole ? data : old);
      EXPECT_EQ(transfer.Read().note, EndNote::None);
      ExpectNoPartFiles();
    }
  }
}

TEST_F(FileReceiveTest, AFailedMoveKeepsTheTargetAndRemovesThePart) {
  testing::WriteFile(Target(), "old");
  FakeConnection connection(
      StreamBuilder().Offer("x.txt", 3).Chunk(wire::kChunkLast, 3, {1, 2, 3}).Take());
  side_.failMove = true;
  EXPECT_FALSE(Receive(connection));
  EXPECT_EQ(transfer_.Read().note, EndNote::CannotReplace);
  EXPECT_EQ(side_.moved.size(), 1u);
  EXPECT_EQ(side_.removed.size(), 1u);
  EXPECT_EQ(Saved(), (Bytes{'o', 'l', 'd'}));
  ExpectNoPartFiles();
}

TEST_F(FileReceiveTest, AnExistingPartNameIsNeverReused) {
  // The clock stands still, so the first name tried is known: a file of that
  // name (another transfer's) is left alone and another name is taken.
  const Bytes data = PatternBytes(3);
  const Bytes stream = StreamBuilder().Offer("x.txt", 3).Chunk(wire::kChunkLast, 3, data).Take();
  FakeTransferSide probe;
  probe.saveChoice = Target();
  probe.createProblem = platform::ErrorKind::Exists;
  FakeConnection first(stream);
  LoneTransfer firstTransfer;
  EXPECT_FALSE(ReceiveStream(first, probe, firstTransfer.handle));
  ASSERT_GE(probe.opened.size(), 2u);
  const std::string taken = probe.opened[0].substr(2);
  EXPECT_NE(probe.opened[1], probe.opened[0]);
  // Another transfer's part file under the first name.
  testing::WriteFile(taken, "busy");
  FakeConnection second(stream);
  EXPECT_TRUE(Receive(second));
  EXPECT_EQ(Saved(), data);
  std::string busy;
  ASSERT_TRUE(testing::ReadFile(taken, &busy));
  EXPECT_EQ(busy, "busy");
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
       StreamBuilder().Offer("t", 1).Chunk(1, 1, {0x41}).Chunk(wire::kChunkLast, 0).Take(), true},
      {"chunk type 4 after good data",
       StreamBuilder().Offer("t", 2).Chunk(wire::kChunkMore, 1, {0x41}).Chunk(4, 1, {0x42}).Take(),
       true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakeTransferSide side;
    LoneTransfer transfer;
    side.saveChoice = Target();
    FakeConnection connection(test.stream);
    EXPECT_FALSE(ReceiveStream(connection, side, transfer.handle));
    EXPECT_EQ(!side.dialogs.empty(), test.asked);
    EXPECT_EQ(connection.Written(), test.asked ? kAccept : Bytes{});
    EXPECT_EQ(side.openFiles, 0);
  }
}

TEST_F(FileReceiveTest, RefusalSendsExactlyTheRefusalAndMakesNoFile) {
  FakeConnection connection(
      StreamBuilder().Offer("x.txt", 3).Chunk(wire::kChunkLast, 3, {1, 2, 3}).Take());
  side_.answerYes = false;
  EXPECT_FALSE(Receive(connection));
  EXPECT_EQ(connection.Writes(), std::vector<Bytes>{kRefuse});
  EXPECT_EQ(side_.DialogKinds(), std::vector<std::string>{"question"});
  EXPECT_TRUE(side_.opened.empty());
  EXPECT_EQ(transfer_.Read().path, "");
  EXPECT_EQ(transfer_.Read().state, TransferState::Asking);
  EXPECT_FALSE(testing::FileExists(Target()));
}

TEST_F(FileReceiveTest, CancelledSaveDialogSendsNothing) {
  FakeConnection connection(
      StreamBuilder().Offer("x.txt", 3).Chunk(wire::kChunkLast, 3, {1, 2, 3}).Take());
  side_.saveChoice.reset();
  EXPECT_FALSE(Receive(connection));
  EXPECT_TRUE(connection.Written().empty());
  EXPECT_TRUE(side_.opened.empty());
  EXPECT_EQ(transfer_.Read().path, "");
}

TEST_F(FileReceiveTest, APartThatCannotBeCreatedRefusesTheOfferAndSaysWhy) {
  const Bytes stream =
      StreamBuilder().Offer("x.txt", 3).Chunk(wire::kChunkLast, 3, {1, 2, 3}).Take();
  const std::string missing = scratch_.File("no-such-directory") + "/x.txt";
  struct Case {
    const char* name;
    std::string target;
    std::optional<platform::ErrorKind> problem;
    EndNote note;
  };
  const Case cases[] = {
      {"no folder, as the platform says", missing, std::nullopt, EndNote::NoFolder},
      {"no access", Target(), platform::ErrorKind::NoAccess, EndNote::NoAccess},
      {"disk full", Target(), platform::ErrorKind::DiskFull, EndNote::DiskFull},
      {"every name taken", Target(), platform::ErrorKind::Exists, EndNote::CannotCreate},
      {"anything else", Target(), platform::ErrorKind::Other, EndNote::CannotCreate},
      // A one-character name in a folder where no part name fits beside it.
      {"no part name fits", "/" + std::string(256, 'd') + "/x", std::nullopt, EndNote::PathTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    LoneTransfer transfer;
    side.saveChoice = c.target;
    side.createProblem = c.problem;
    FakeConnection connection(stream);
    EXPECT_FALSE(ReceiveStream(connection, side, transfer.handle));
    // The sender is told to stop; this side's record says it failed, and why.
    EXPECT_EQ(connection.Written(), kRefuse);
    EXPECT_EQ(transfer.Read().path, c.target);
    EXPECT_EQ(transfer.Read().state, TransferState::Asking);
    EXPECT_EQ(transfer.Read().note, c.note);
    ExpectNoPartFiles();
  }
}

// The room where the part lies is asked once, before the answer: the file
// is refused, with nothing written, only when what is left to come and the
// margin exceed what is free. A part kept of the file counts, and stays
// kept when the rest does not fit; the platform's silence refuses nothing.
TEST_F(FileReceiveTest, TheRoomIsAskedOnceAndOnlyALackOfItRefuses) {
  // A resume asks for the file from a window before what was kept.
  constexpr uint64_t kSize = 300 * 1024, kKept = 200 * 1024, kMargin = kRoomMarginBytes;
  constexpr uint64_t kFrom = kKept - kResumeWindow;
  const Bytes data = PatternBytes(kSize, 4);
  const struct Case {
    const char* name;
    std::optional<uint64_t> free;  // nothing: the platform cannot tell
    bool resumed;                  // a cut left the first kKept bytes
    bool fits;
  } cases[] = {
      {"the platform cannot tell", std::nullopt, false, true},
      {"exactly the file and the margin", kSize + kMargin, false, true},
      {"a byte short", kSize + kMargin - 1, false, false},
      {"fits only with what was kept", kSize - kFrom + kMargin, true, true},
      {"the rest a byte short", kSize - kFrom + kMargin - 1, true, false},
  };
  // The bytes of the one part `side` kept; empty when it kept none.
  const auto keptBytes = [](FakeTransferSide& side) {
    const std::vector<std::string> records = side.keptParts.Free();
    std::string content;
    if (records.size() == 1) testing::ReadFile(*PartOfRecord(records[0]), &content);
    return Bytes(content.begin(), content.end());
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    StreamBuilder offer;
    offer.Offer("big.bin", kSize);
    if (c.resumed) {
      StreamBuilder cut(offer);
      for (uint64_t at = 0; at < kKept; at += 4096)
        cut.Chunk(wire::kChunkMore, 4096, Slice(data, at, 4096));
      FakeConnection connection(cut.Take());
      LoneTransfer first;
      ASSERT_FALSE(ReceiveStream(connection, side, first.handle));
      ASSERT_EQ(keptBytes(side).size(), kKept);
    }
    side.spaceAsked.clear();
    side.freeSpace = [&](const std::string&) { return c.free; };
    // The sender goes as soon as it has the answer.
    FakeConnection connection(offer.Take());
    LoneTransfer transfer;
    EXPECT_FALSE(ReceiveStream(connection, side, transfer.handle));
    EXPECT_EQ(side.spaceAsked, std::vector<std::string>{scratch_.Path()});
    const Bytes answer = connection.Written();
    ASSERT_EQ(answer.size(), wire::kOfferReplySize);
    EXPECT_EQ(answer[0], c.fits ? wire::kReplyAccept : wire::kReplyRefuse);
    const Transfer facts = transfer.Read();
    if (!c.fits) {
      EXPECT_EQ(facts.note, EndNote::NoRoom);
      EXPECT_EQ(facts.room.needed, kSize - (c.resumed ? kFrom : 0) + kMargin);
      EXPECT_EQ(facts.room.free, *c.free);
    }
    // What was kept stays so, untouched; nothing else is left.
    EXPECT_EQ(keptBytes(side), c.resumed ? Slice(data, 0, kKept) : Bytes{});
    for (const std::string& record : side.keptParts.Free()) RemoveKeptPart(side, record);
    ExpectNoPartFiles();
  }
}

// A chosen path of 259 characters, the longest there is, saves its file: the
// part takes a name that fits beside it, and is never kept past the end.
TEST_F(FileReceiveTest, ATargetOfTheLongestPathIsSaved) {
  const Bytes data = PatternBytes(5000, 3);
  for (size_t nameLength : {size_t{40}, size_t{12}, size_t{5}}) {
    SCOPED_TRACE(nameLength);
    // A folder that leaves exactly `nameLength` characters for the name.
    std::string folder = scratch_.Path();
    const char separator = folder.back();
    while (folder.size() + nameLength < kMaxPathLength) {
      const size_t room = kMaxPathLength - nameLength - folder.size() - 1;
      folder += std::string(std::min<size_t>(room, 200), 'd') + separator;
      ASSERT_TRUE(platform::MakeDirectory(folder.c_str()) || testing::FileExists(folder));
    }
    ASSERT_EQ(folder.size() + nameLength, kMaxPathLength);
    const std::string target = folder + std::string(nameLength, 'n');
    FakeTransferSide side;
    LoneTransfer transfer;
    side.saveChoice = target;
    FakeConnection connection(
        StreamBuilder().Offer("n", data.size()).Chunk(wire::kChunkLast, 5000, data).Take());
    EXPECT_TRUE(ReceiveStream(connection, side, transfer.handle));
    std::string saved;
    ASSERT_TRUE(testing::ReadFile(target, &saved));
    EXPECT_TRUE(Bytes(saved.begin(), saved.end()) == data);
    ASSERT_EQ(side.opened.size(), 1u);
    EXPECT_LE(side.opened[0].size() - 2, kMaxPathLength);
    EXPECT_EQ(side.opened[0].rfind("w:" + folder, 0), 0u);
    platform::RemoveFile(target.c_str());
  }
}

TEST_F(FileReceiveTest, AFileThatCannotBeWrittenEndsWithFalse) {
  const Bytes data = PatternBytes(9000);
  FakeConnection connection(StreamBuilder()
                                .Offer("x.bin", 9000)
                                .Chunk(wire::kChunkMore, 4096, Slice(data, 0, 4096))
                                .Chunk(wire::kChunkMore, 4096, Slice(data, 4096, 4096))
                                .Chunk(wire::kChunkLast, 808, Slice(data, 8192, 808))
                                .Take());
  side_.failWriteAfter = 5000;
  EXPECT_FALSE(Receive(connection));
  EXPECT_EQ(transfer_.Read().note, EndNote::CannotWrite);
  EXPECT_EQ(side_.closedFiles, 1);
  EXPECT_EQ(side_.openFiles, 0);
  EXPECT_TRUE(side_.moved.empty());
  EXPECT_FALSE(testing::FileExists(Target()));
  ExpectNoPartFiles();
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
    LoneTransfer transfer;
    side.saveChoice.reset();
    FakeConnection connection(StreamBuilder().Offer(c.offered, 0).Take());
    EXPECT_FALSE(ReceiveStream(connection, side, transfer.handle));
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
  const size_t field = 16 + wire::kFileNameOffset;
  std::fill(stream.begin() + field, stream.begin() + field + wire::kFileNameField, 'q');
  std::fill(stream.begin() + field + wire::kFileNameField, stream.end(), '#');
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
  EXPECT_EQ(transfer_.Read().size, 0x1'2345'6789ll);
}

}  // namespace
}  // namespace kvel::transfers
