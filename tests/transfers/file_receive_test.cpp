#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "stream_fixture.h"
#include "transfers/kept/part_names.h"
#include "transfers/kept/resume_point.h"
#include "transfers/stream/room_check.h"

namespace kvel::transfers {
namespace {

const Bytes kAccept = Reply(wire::kReplyAccept);
const Bytes kRefuse = Reply(wire::kReplyRefuse);

// The offer of three bytes and all of them.
Bytes ThreeBytes() {
  return StreamBuilder().Offer("x.txt", 3).Chunk(wire::kChunkLast, 3, {1, 2, 3}).Take();
}

class FileReceiveTest : public StreamTest {
 protected:
  FileReceiveTest() { side_.saveChoice = Target(); }
  std::string Target() const { return scratch_.File("saved.bin"); }
  Bytes Saved() const { return ContentBytes(Target()); }
  // The folder holds the target at most: no part file is ever left behind.
  void ExpectNoPartFiles() const {
    for (const std::string& name : scratch_.Names()) EXPECT_EQ(name, "saved.bin");
  }
};

TEST_F(FileReceiveTest, AsksSavesAndReportsTheTotal) {
  const Bytes data = PatternBytes(5000);
  side_.peerName = "Ala";
  const StreamRun run = Receive(StreamBuilder()
                                    .Offer("raport.pdf", 5000)
                                    .Chunk(wire::kChunkMore, 4096, Slice(data, 0, 4096))
                                    .Chunk(wire::kChunkLast, 904, Slice(data, 4096, 904))
                                    .Take());
  EXPECT_TRUE(run.done);
  EXPECT_EQ(side_.peerNameAsked, std::vector<uint32_t>{4321});
  ASSERT_EQ(run.dialogs, (std::vector<std::string>{"question", "save"}));
  EXPECT_EQ(side_.dialogs[0].text,
            "Ala chce wys\xB3"
            "a\xE6 do Ciebie plik raport.pdf (4KB). Czy chcesz go odebra\xE6?");
  EXPECT_EQ(side_.dialogs[0].caption, "Pytanie");
  EXPECT_EQ(side_.dialogs[1].text, "raport.pdf");
  EXPECT_EQ(side_.dialogs[1].filter, std::string("wszystkie pliki\0*.*\0", 20));
  EXPECT_EQ(side_.dialogs[1].flags, 0x02000C02u);
  EXPECT_EQ(side_.dialogs[1].pathSize, 260u);
  // The reply is one write.
  EXPECT_EQ(run.connection.Writes(), std::vector<Bytes>{kAccept});
  // The record has the file, its size from the start, and every byte.
  EXPECT_EQ(run.facts.state, TransferState::Moving);
  EXPECT_EQ(run.facts.path, Target());
  EXPECT_EQ(run.facts.size, 5000);
  EXPECT_EQ(run.facts.offset, 0);
  EXPECT_EQ(run.facts.moved, 5000);
  EXPECT_EQ(Saved(), data);
  // Written under a part name (PartNames), then moved over the target.
  ASSERT_EQ(side_.opened.size(), 1u);
  const std::string part = side_.opened[0].substr(2);
  EXPECT_EQ(side_.moved, std::vector<std::string>{part + ">" + Target()});
  EXPECT_TRUE(side_.removed.empty());
  EXPECT_EQ(scratch_.Names(), std::vector<std::string>{"saved.bin"});
}

// The stream ends unless its chunks bring the announced size, and never
// writes past it (every split and failure of the chunks themselves:
// ChunkReader.CountsTheDataAgainstTheAnnouncedSizeInAnySplit).
TEST_F(FileReceiveTest, ChunksMustBringExactlyTheAnnouncedSize) {
  const Bytes a = PatternBytes(4096, 1), b = PatternBytes(70000, 2), c = PatternBytes(10, 3);
  // An offer of `announced` bytes, then `count` chunks of `length` bytes
  // (`a` or none), then a last chunk of `last`.
  auto stream = [&](uint64_t announced, size_t count, int32_t length, int32_t last,
                    const Bytes& lastData = {}) {
    StreamBuilder builder;
    builder.Offer("s", announced);
    for (size_t i = 0; i < count; ++i)
      builder.Chunk(wire::kChunkMore, length, length > 0 ? a : Bytes{});
    return builder.Chunk(wire::kChunkLast, last, lastData).Take();
  };
  struct Case {
    const char* name;
    uint64_t announced;
    Bytes stream;
    bool whole;
    Bytes expected;
  };
  const Case cases[] = {
      {"empty file", 0, stream(0, 0, 0, 0), true, {}},
      {"multiple of 4096", 4096, stream(4096, 1, 4096, 0), true, a},
      {"zero and negative lengths carry no data", 10,
       StreamBuilder()
           .Offer("z", 10)
           .Chunk(wire::kChunkMore, 0)
           .Chunk(wire::kChunkMore, -5)
           .Chunk(wire::kChunkMore, INT32_MIN)
           .Chunk(wire::kChunkLast, 10, c)
           .Take(),
       true, c},
      {"one chunk above 64 KiB", 70000, stream(70000, 0, 0, 70000, b), true, b},
      {"more than announced", 10, stream(10, 0, 0, 4096, a), false, {}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    side.keeps = false;  // the part's writes alone
    const StreamRun run = Receive(side, test.stream);
    EXPECT_EQ(run.done, test.whole);
    EXPECT_EQ(testing::FileExists(Target()), test.whole);
    if (test.whole) {
      EXPECT_EQ(Saved(), test.expected);
      EXPECT_EQ(run.facts.moved, static_cast<int64_t>(test.announced));
    } else {
      EXPECT_EQ(side.removed.size(), 1u);
    }
    // Not a byte past the announced size reached the disk.
    size_t written = 0;
    for (size_t count : side.fileWrites) written += count;
    EXPECT_LE(written, test.announced);
    for (int ask : run.connection.ReadAsks())
      EXPECT_LE(ask, static_cast<int>(wire::kReceiveBufferSize));
    ExpectNoPartFiles();
    std::remove(Target().c_str());
  }
}

// Reads cut at every size, and golden streams in random pieces (small ones
// too, so that headers are cut at every position), give the same file. Read
// as each piece is written, the byte count never runs ahead of the file nor
// past the size, grows as the data comes, and ends exact.
TEST_F(FileReceiveTest, AnyReadSplitGivesTheSameFile) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<size_t> piece(1, 70000);
  std::vector<size_t> splits(64);
  for (size_t& split : splits) split = piece(random);
  for (size_t small = 1; small <= 13; ++small) splits.push_back(small);
  struct Case {
    size_t size;
    std::vector<size_t> splits;
  };
  std::vector<Case> cases;
  for (size_t limit : {1u, 7u, 4096u}) cases.push_back({140000, {limit}});
  for (size_t size : {0u, 1u, 4095u, 4096u, 4097u, 65535u, 65536u, 65537u, (1u << 20) + 3}) {
    for (size_t rotation : {0u, 7u, 31u}) {
      std::vector<size_t> order(splits.begin() + static_cast<ptrdiff_t>(rotation), splits.end());
      order.insert(order.end(), splits.begin(), splits.begin() + static_cast<ptrdiff_t>(rotation));
      cases.push_back({size, order});
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.size << " in pieces from " << c.splits[0]);
    const Bytes data = PatternBytes(c.size, static_cast<uint32_t>(c.size));
    FakeTransferSide side;
    side.saveChoice = Target();
    side.keeps = false;  // the part's writes alone
    std::vector<int64_t> seen;
    const StreamRun run =
        Receive(side, testing::GoldenStream("golden.bin", data),
                {.before = [&](LoneTransfer& transfer, FakeConnection& connection) {
                  connection.SetReadSplits(c.splits);
                  connection.SetOnRead([&] { seen.push_back(transfer.Read().moved); });
                }});
    ASSERT_TRUE(run.done);
    EXPECT_TRUE(Saved() == data);
    EXPECT_EQ(run.facts.moved, static_cast<int64_t>(c.size));
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LE(seen.back(), static_cast<int64_t>(c.size));
    if (c.size >= 140000) {
      EXPECT_GT(std::count_if(seen.begin(), seen.end(),
                              [&](int64_t moved) { return moved > 0 && moved < run.facts.moved; }),
                3);
    }
    // The file is written in whole blocks but for the last.
    for (size_t i = 0; i + 1 < side.fileWrites.size(); ++i)
      EXPECT_EQ(side.fileWrites[i], wire::kFileBlockSize);
    std::remove(Target().c_str());
  }
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
  for (size_t cut = 0; cut <= stream.size(); ++cut) {
    for (bool fail : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "cut " << cut << (fail ? " error" : " end"));
      testing::WriteFile(Target(), "old");
      FakeTransferSide side;
      side.saveChoice = Target();
      const StreamRun run = Receive(
          side, stream, {.before = [&](auto&, auto& connection) { connection.CutAt(cut, fail); }});
      const bool whole = cut == stream.size();
      EXPECT_EQ(run.done, whole);
      EXPECT_EQ(side.openFiles, 0);
      // Nothing is asked or answered before the whole offer is in.
      EXPECT_EQ(run.dialogs.empty(), cut < kOfferBytes);
      EXPECT_EQ(run.Written(), cut < kOfferBytes ? Bytes{} : kAccept);
      EXPECT_EQ(side.closedFiles, cut < kOfferBytes ? 0 : 1);
      EXPECT_EQ(Saved(), (whole ? data : Bytes{'o', 'l', 'd'}));
      EXPECT_EQ(run.facts.note, EndNote::None);
      ExpectNoPartFiles();
    }
  }
}

// A move that fails keeps the old target; a file that cannot be written is
// never moved. Either way the part goes.
TEST_F(FileReceiveTest, AFailedMoveOrWriteKeepsTheTargetAndRemovesThePart) {
  const Bytes data = PatternBytes(9000);
  for (const bool move : {true, false}) {
    SCOPED_TRACE(move ? "the move fails" : "a write fails");
    std::remove(Target().c_str());
    if (move) testing::WriteFile(Target(), "old");
    FakeTransferSide side;
    side.saveChoice = Target();
    side.failMove = move;
    side.failWriteAfter = move ? SIZE_MAX : 5000;
    const StreamRun run = Receive(side, move ? ThreeBytes() : testing::GoldenStream("x.bin", data));
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.facts.note, move ? EndNote::CannotReplace : EndNote::CannotWrite);
    EXPECT_EQ(side.moved.size(), move ? 1u : 0u);
    EXPECT_EQ(side.removed.size(), 1u);
    EXPECT_EQ(side.closedFiles, 1);
    EXPECT_EQ(side.openFiles, 0);
    EXPECT_EQ(testing::FileExists(Target()), move);
    EXPECT_EQ(Saved(), (move ? Bytes{'o', 'l', 'd'} : Bytes{}));
    ExpectNoPartFiles();
  }
}

TEST_F(FileReceiveTest, AnExistingPartNameIsNeverReused) {
  // The clock stands still, so the first name tried is known: a file of that
  // name (another transfer's) is left alone and another name is taken.
  FakeTransferSide probe;
  probe.saveChoice = Target();
  probe.createProblem = platform::ErrorKind::Exists;
  EXPECT_FALSE(Receive(probe, ThreeBytes()).done);
  ASSERT_GE(probe.opened.size(), 2u);
  const std::string taken = probe.opened[0].substr(2);
  EXPECT_NE(probe.opened[1], probe.opened[0]);
  // Another transfer's part file under the first name.
  testing::WriteFile(taken, "busy");
  EXPECT_TRUE(Receive(ThreeBytes()).done);
  EXPECT_EQ(Saved(), (Bytes{1, 2, 3}));
  EXPECT_EQ(Content(taken), "busy");
}

// Wrong words or chunk types end the stream; the user's refusal answers
// with the refusal alone, and a cancelled save dialog answers nothing.
TEST_F(FileReceiveTest, WhatEndsTheStreamBeforeAFileIsMade) {
  struct Case {
    const char* name;
    Bytes stream;
    std::vector<std::string> dialogs;
    Bytes answer;
    bool refuse = false;
    bool cancel = false;
  };
  const std::vector<std::string> asked = {"question", "save"};
  const Case cases[] = {
      {"first word not OfferStart", StreamBuilder().Word(2).Word(3).Take(), {}, {}},
      {"second word not OfferInfo", StreamBuilder().Word(1).Word(6).Take(), {}, {}},
      {"chunk type 4 after good data",
       StreamBuilder().Offer("t", 2).Chunk(wire::kChunkMore, 1, {0x41}).Chunk(4, 1, {0x42}).Take(),
       asked, kAccept},
      {"refused", ThreeBytes(), {"question"}, kRefuse, true},
      {"save dialog cancelled", ThreeBytes(), asked, {}, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    side.answerYes = !c.refuse;
    if (c.cancel) side.saveChoice.reset();
    const StreamRun run = Receive(side, c.stream);
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.dialogs, c.dialogs);
    // One write at most: the answer whole.
    EXPECT_EQ(run.connection.Writes(),
              c.answer.empty() ? std::vector<Bytes>{} : std::vector<Bytes>{c.answer});
    EXPECT_EQ(side.openFiles, 0);
    if (c.refuse || c.cancel) {
      EXPECT_TRUE(side.opened.empty());
      EXPECT_EQ(run.facts.path, "");
      EXPECT_EQ(run.facts.state, TransferState::Asking);
      EXPECT_FALSE(testing::FileExists(Target()));
    }
  }
}

TEST_F(FileReceiveTest, APartThatCannotBeCreatedRefusesTheOfferAndSaysWhy) {
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
    side.saveChoice = c.target;
    side.createProblem = c.problem;
    const StreamRun run = Receive(side, ThreeBytes());
    EXPECT_FALSE(run.done);
    // The sender is told to stop; this side's record says it failed, and why.
    EXPECT_EQ(run.Written(), kRefuse);
    EXPECT_EQ(run.facts.path, c.target);
    EXPECT_EQ(run.facts.state, TransferState::Asking);
    EXPECT_EQ(run.facts.note, c.note);
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    const Bytes offer = StreamBuilder().Offer("big.bin", kSize).Take();
    if (c.resumed) {
      Bytes cut = offer;
      for (uint64_t at = 0; at < kKept; at += 4096) {
        const Bytes chunk =
            StreamBuilder().Chunk(wire::kChunkMore, 4096, Slice(data, at, 4096)).Take();
        cut.insert(cut.end(), chunk.begin(), chunk.end());
      }
      ASSERT_FALSE(Receive(side, cut).done);
      ASSERT_EQ(KeptBytes(side).size(), kKept);
    }
    side.spaceAsked.clear();
    side.freeSpace = [&](const std::string&) { return c.free; };
    // The sender goes as soon as it has the answer.
    const StreamRun run = Receive(side, offer);
    EXPECT_FALSE(run.done);
    EXPECT_EQ(side.spaceAsked, std::vector<std::string>{scratch_.Path()});
    ASSERT_EQ(run.Written().size(), wire::kOfferReplySize);
    EXPECT_EQ(run.Written()[0], c.fits ? wire::kReplyAccept : wire::kReplyRefuse);
    if (!c.fits) {
      EXPECT_EQ(run.facts.note, EndNote::NoRoom);
      EXPECT_EQ(run.facts.room.needed, kSize - (c.resumed ? kFrom : 0) + kMargin);
      EXPECT_EQ(run.facts.room.free, *c.free);
    }
    // What was kept stays so, untouched; nothing else is left.
    EXPECT_EQ(KeptBytes(side), c.resumed ? Slice(data, 0, kKept) : Bytes{});
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
    side.saveChoice = target;
    EXPECT_TRUE(Receive(side, testing::GoldenStream("n", data)).done);
    EXPECT_TRUE(ContentBytes(target) == data);
    ASSERT_EQ(side.opened.size(), 1u);
    EXPECT_LE(side.opened[0].size() - 2, kMaxPathLength);
    EXPECT_EQ(side.opened[0].rfind("w:" + folder, 0), 0u);
    platform::RemoveFile(target.c_str());
  }
}

// The peer chose the name: the question and the save dialog show it
// sanitised (every name: OfferedNameTest), cut at its field's end when no
// zero ends it; sizes of 2 GiB and more are shown whole.
TEST_F(FileReceiveTest, OfferedNamesAndSizesAreShownAsTheyAreSafeToRead) {
  Bytes unended = StreamBuilder().Offer("", 0).Take();
  const size_t field = 16 + wire::kFileNameOffset;
  std::fill(unended.begin() + field, unended.begin() + field + wire::kFileNameField, 'q');
  std::fill(unended.begin() + field + wire::kFileNameField, unended.end(), '#');
  const struct {
    Bytes offer;
    std::string shown;
    const char* size = "0KB";
  } cases[] = {
      {StreamBuilder().Offer("..\\..\\Windows\\win.ini", 0).Take(), "win.ini"},
      {unended, std::string(255, 'q')},
      {StreamBuilder().Offer("dvd.iso", 0x1'2345'6789ull).Take(), "dvd.iso", "4772185KB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    FakeTransferSide side;
    const StreamRun run = Receive(side, c.offer);
    EXPECT_FALSE(run.done);
    ASSERT_EQ(run.dialogs, (std::vector<std::string>{"question", "save"}));
    EXPECT_EQ(side.dialogs[0].text,
              "Ala chce wys\xB3"
              "a\xE6 do Ciebie plik " +
                  c.shown + " (" + c.size + "). Czy chcesz go odebra\xE6?");
    EXPECT_EQ(side.dialogs[1].text, c.shown);
  }
  side_.saveChoice = Target();
  EXPECT_EQ(Receive(StreamBuilder().Offer("dvd.iso", 0x1'2345'6789ull).Take()).facts.size,
            0x1'2345'6789ll);
}

}  // namespace
}  // namespace kvel::transfers
