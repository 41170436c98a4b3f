// The receiving side keeps what a cut or its own failure leaves and goes on
// from it when the same transfer is offered again; a sender that ignores the
// offset, a file changed since, a part changed on disk or any other offer
// never yields a wrong file.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "stream_fixture.h"
#include "transfers/kept/part_names.h"
#include "transfers/kept/resume_point.h"

namespace kvel::transfers {
namespace {

constexpr uint32_t kPeer = 4321;
// 128 whole chunks, two blocks of the part: the last chunk carries no data.
constexpr size_t kFileSize = 128 * 4096;
// A cut of the first transfer after this much data keeps it, and the
// second is asked for a window less.
constexpr size_t kKept = 150000;
constexpr size_t kAsked = kKept - kResumeWindow;

// "Plik film.bin został już częściowo odebrany (<kept> KB z 512 KB). Wznowić?"
std::string ResumeQuestion(size_t kept) {
  return "Plik film.bin zosta\xB3 ju\xBF cz\xEA\x9C"
         "ciowo odebrany (" +
         std::to_string(kept / 1024) + " KB z 512 KB). Wznowi\xE6?";
}

// Where a stream of the whole file is cut so that `came` bytes of data (at
// least one) came, with the headers before them.
size_t CutAfterData(size_t came) {
  return kOfferBytes + 12 * ((came - 1) / 4096 + 1) + came;
}

class FileResumeTest : public StreamTest {
 protected:
  FileResumeTest() : data_(PatternBytes(kFileSize, 7)) { side_.saveChoice = Target(); }

  std::string Target() const { return scratch_.File("film.bin"); }
  // The offer of `file` and its chunks from `from` on.
  static Bytes StreamOf(const Bytes& file, size_t from = 0) {
    return testing::GoldenStream("film.bin", file, from);
  }
  // The file as a sender that honours the offset sends it.
  Bytes Stream(size_t from = 0) const { return StreamOf(data_, from); }
  // Cuts a transfer of the whole file on `side` after `came` bytes of data.
  StreamRun CutAfter(FakeTransferSide& side, size_t came) {
    return Receive(side, Stream(), {.cut = CutAfterData(came)});
  }
  // Cuts a transfer of the whole file to `side`, saving to the target, so
  // that a part is kept; the part's record.
  std::string KeepAPart(FakeTransferSide& side) {
    side.saveChoice = Target();
    EXPECT_EQ(CutAfter(side, kKept).facts.note, EndNote::PartKept);
    return side.keptParts.Free().at(0);
  }
  Bytes Saved() const { return ContentBytes(Target()); }
  // `run` saved the whole file, and nothing is left of a part, its record
  // or its listing.
  void ExpectWholeAndAlone(const StreamRun& run, FakeTransferSide& side) const {
    EXPECT_TRUE(run.done);
    EXPECT_TRUE(Saved() == data_);
    EXPECT_TRUE(side.keptParts.Free().empty());
    ExpectOnly({"film.bin"});
  }
  // Offered again by a sender that honours the offset, the file comes whole.
  void ExpectTheNextOfferBringsItWhole(FakeTransferSide& side) {
    const size_t kept = KeptBytes(side).size();
    const size_t from = kept > 0 ? kept - kResumeWindow : 0;
    const StreamRun next = Receive(side, Stream(from));
    EXPECT_EQ(next.Written(), Reply(wire::kReplyAccept, from));
    ExpectWholeAndAlone(next, side);
  }
  // The folder holds nothing but `names` (sorted).
  void ExpectOnly(std::vector<std::string> names) const { EXPECT_EQ(scratch_.Names(), names); }

  Bytes data_;
};

TEST_F(FileResumeTest, ACutTransferGoesOnFromAWindowBeforeWhatCame) {
  struct Case {
    const char* name;
    size_t came;   // data bytes before the cut
    bool restart;  // the host restarts between the two
  };
  const Case cases[] = {
      {"128 KiB and a byte", kMinResumedPart + 1, false},
      // Only the last chunk's header was missing.
      {"every byte", kFileSize, false},
      {"across a restart", kKept, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide first, second;
    for (FakeTransferSide* side : {&first, &second}) side->saveChoice = Target();
    const std::string list = scratch_.File("kept-parts");
    if (c.restart) first.keptParts.Open(list, first);
    // Cut within the data: the part and its record are kept.
    const StreamRun cutRun = CutAfter(first, c.came);
    ASSERT_FALSE(cutRun.done);
    EXPECT_EQ(cutRun.facts.note, EndNote::PartKept);
    EXPECT_TRUE(cutRun.facts.partKept);
    EXPECT_EQ(scratch_.Names().size(), c.restart ? 3u : 2u);
    FakeTransferSide& resuming = c.restart ? second : first;
    if (c.restart) second.keptParts.Open(list, second);
    // Offered again: a second question, and the file asked for a window
    // before what was kept.
    const size_t asked = c.came - kResumeWindow;
    const StreamRun run = Receive(resuming, Stream(asked));
    EXPECT_EQ(run.questions.size(), 2u);
    EXPECT_EQ(run.questions.back(), ResumeQuestion(c.came));
    EXPECT_EQ(run.Written(), Reply(wire::kReplyAccept, asked));
    EXPECT_EQ(run.facts.offset, static_cast<int64_t>(asked));
    EXPECT_EQ(run.facts.moved, static_cast<int64_t>(kFileSize - asked));
    ExpectWholeAndAlone(run, resuming);
    platform::RemoveFile(Target().c_str());
  }
}

// The first window of what comes is held and compared: only bytes of the
// kept file from the offset asked for go on the kept part.
TEST_F(FileResumeTest, NoByteFromElsewhereIsWrittenAsTheRest) {
  const Bytes changed = PatternBytes(kFileSize, 8);
  struct Case {
    const char* name;
    const Bytes* file;  // what the sender sends
    size_t from;
    size_t came;  // data before a cut (SIZE_MAX: none)
    bool done;
    EndNote note;
    int64_t offset;    // the transfer's, at its end
    size_t keptAfter;  // the file's bytes kept then (kKept: the part as it was)
  };
  const Case cases[] = {
      {"honours the offset", &data_, kAsked, SIZE_MAX, true, EndNote::None, kAsked, 0},
      {"honours it, cut within the window", &data_, kAsked, 30000, false, EndNote::PartKept, kAsked,
       kKept},
      // An older sender: the whole file from its start.
      {"ignores it", &data_, 0, SIZE_MAX, true, EndNote::None, 0, 0},
      {"ignores it, cut within the window", &data_, 0, 30000, false, EndNote::PartKept, kAsked,
       kKept},
      {"ignores it, cut later", &data_, 0, 140000, false, EndNote::PartKept, 0, 140000},
      {"its file changed", &changed, kAsked, SIZE_MAX, false, EndNote::SenderFileChanged, kAsked,
       0},
      {"its changed file from the start", &changed, 0, SIZE_MAX, false, EndNote::SenderFileChanged,
       kAsked, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    const std::string record = KeepAPart(side);
    const std::string recordAsKept = Content(record);
    const StreamRun run = Receive(side, StreamOf(*c.file, c.from),
                                  {.cut = c.came == SIZE_MAX ? SIZE_MAX : CutAfterData(c.came)});
    EXPECT_EQ(run.Written(), Reply(wire::kReplyAccept, kAsked));
    EXPECT_EQ(run.done, c.done);
    EXPECT_EQ(run.facts.note, c.note);
    EXPECT_EQ(run.facts.offset, c.offset);
    EXPECT_EQ(Saved() == data_, c.done);
    EXPECT_TRUE(KeptBytes(side) == Slice(data_, 0, c.keptAfter));
    EXPECT_EQ(testing::FileExists(record) && Content(record) == recordAsKept, c.keptAfter == kKept);
    if (c.done) ExpectOnly({"film.bin"});
    if (!c.done) ExpectTheNextOfferBringsItWhole(side);
    platform::RemoveFile(Target().c_str());
  }
}

TEST_F(FileResumeTest, WhatCannotBeGoneOnFromComesAgainWhole) {
  const Bytes zeros(kFileSize, 0);
  // 128 KiB are not kept; a part of zeros is, but no offset tells a sender
  // that ignores it apart.
  using Try = std::pair<const Bytes*, size_t>;
  for (const auto& [file, came] : {Try{&data_, size_t{kMinResumedPart}}, Try{&zeros, kKept}}) {
    FakeTransferSide side;
    side.saveChoice = Target();
    Receive(side, StreamOf(*file), {.cut = CutAfterData(came)});
    const StreamRun run = Receive(side, StreamOf(*file));
    EXPECT_EQ(run.questions.size(), 1u);
    EXPECT_EQ(run.Written(), Reply(wire::kReplyAccept, 0));
    EXPECT_TRUE(run.done && Content(Target()) == std::string(file->begin(), file->end()));
    ExpectOnly({"film.bin"});
  }
}

// A failure of this side after data came keeps what came, with its record
// and listing, and the box says so; one before, at the listing, refuses.
TEST_F(FileResumeTest, ThisSidesFailureKeepsWhatCameForTheNextOffer) {
  const std::string list = scratch_.File("kept-parts");
  // Once data flows: the part and its listing are made by then.
  const auto onceDataFlows = [](FakeConnection& connection, std::function<void()> then) {
    connection.SetOnRead([&connection, then] {
      if (connection.Delivered() > kOfferBytes) then();
    });
  };
  struct Case {
    const char* name;
    std::function<void(FakeTransferSide&, FakeConnection&)> fail;
    EndNote note;
    size_t kept;  // 0: nothing, and the offer was refused
  };
  const Case cases[] = {
      {"the move fails",
       [&](auto& side, auto& connection) {
         onceDataFlows(connection, [&side] { side.failMove = true; });
       },
       EndNote::CannotReplace, kFileSize},
      // Written in blocks of 256 KiB: the first reaches the disk.
      {"a write fails", [](auto& side, auto&) { side.failWriteAfter = 300000; },
       EndNote::CannotWrite, wire::kFileBlockSize},
      // Once data flows, nothing new can be made: the record is written over
      // in place, and the list made at the start still holds it.
      {"the disk fills",
       [&](auto& side, auto& connection) {
         side.failWriteAfter = 300000;
         onceDataFlows(connection, [&side] { side.createProblem = platform::ErrorKind::DiskFull; });
       },
       EndNote::CannotWrite, wire::kFileBlockSize},
      {"the list cannot be written as the part is made",
       [&list](auto& side, auto&) { side.refuseCreateIn = list + ".new"; }, EndNote::CannotList, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::WriteFile(Target(), "old");
    {
      FakeTransferSide side;
      side.saveChoice = Target();
      side.keptParts.Open(list, side);
      const StreamRun run = Receive(
          side, Stream(), {.before = [&](auto&, auto& connection) { c.fail(side, connection); }});
      EXPECT_FALSE(run.done);
      EXPECT_EQ(run.facts.note, c.note);
      EXPECT_EQ(run.facts.partKept, c.kept > 0);
      EXPECT_EQ(run.Written(), Reply(c.kept > 0 ? wire::kReplyAccept : wire::kReplyRefuse, 0));
      EXPECT_EQ(KeptBytes(side), Slice(data_, 0, c.kept));
      EXPECT_EQ(Content(Target()), "old");
    }
    // After a restart the part is found and gone on from.
    FakeTransferSide restarted;
    restarted.saveChoice = Target();
    restarted.keptParts.Open(list, restarted);
    ExpectTheNextOfferBringsItWhole(restarted);
  }
}

TEST_F(FileResumeTest, DecliningToGoOnStartsAfreshAndRemovesThePart) {
  const std::string kept = KeepAPart(side_);
  side_.answers = {true, false};
  const StreamRun run = Receive(side_, Stream());
  EXPECT_EQ(run.questions.size(), 2u);
  EXPECT_EQ(run.Written(), Reply(wire::kReplyAccept, 0));
  ExpectWholeAndAlone(run, side_);
}

// (Every way an offer can differ from what was kept, and a part changed on
// disk: kept_rules_test.cpp; these go through the stream and the disk.)
TEST_F(FileResumeTest, OnlyTheSameContactNameSizeAndPathGoOn) {
  struct Case {
    const char* name;
    uint32_t uin;
    std::string offered;
    uint64_t size;
    std::string target;
    bool partStays;  // another file's part is left alone
  };
  const Case cases[] = {
      {"another contact", 1234, "film.bin", kFileSize, "film.bin", false},
      {"another file to another path", kPeer, "inny.bin", kFileSize, "inny.bin", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    const std::string kept = KeepAPart(side);
    side.saveChoice = scratch_.File(c.target);
    // The other offer's own data: the size it announces, from the start.
    const Bytes file = PatternBytes(c.size, 9);
    const StreamRun run = Receive(side, testing::GoldenStream(c.offered, file), {.uin = c.uin});
    EXPECT_TRUE(run.done);
    EXPECT_EQ(run.questions.size(), 1u);
    EXPECT_EQ(run.Written(), Reply(wire::kReplyAccept, 0));
    EXPECT_EQ(Content(scratch_.File(c.target)), std::string(file.begin(), file.end()));
    EXPECT_EQ(testing::FileExists(kept), c.partStays);
    EXPECT_EQ(testing::FileExists(*PartOfRecord(kept)), c.partStays);
    EXPECT_EQ(side.keptParts.Free().size(), c.partStays ? 1u : 0u);
    for (const std::string& name : scratch_.Names())
      platform::RemoveFile(scratch_.File(name).c_str());
  }
}

// What KeptParts finds on disk (a record that does not match its part:
// KeptRules.AnOfferResumesOnlyTheSameTransferFromAnUnchangedPart).
TEST_F(FileResumeTest, APartChangedOnDiskIsNotUsed) {
  struct Case {
    const char* name;
    std::function<void(const std::string& record, const std::string& part)> change;
  };
  const Case cases[] = {
      {"the part gone", [](const auto&, const auto& part) { platform::RemoveFile(part.c_str()); }},
      {"the record gone",
       [](const auto& record, const auto&) { platform::RemoveFile(record.c_str()); }},
      {"the record damaged",
       [](const auto& record, const auto&) { testing::WriteFile(record, "kvel kept record 1\n"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    const std::string record = KeepAPart(side);
    c.change(record, *PartOfRecord(record));
    const StreamRun run = Receive(side, Stream(0));
    EXPECT_EQ(run.questions.size(), 1u);
    EXPECT_EQ(run.Written(), Reply(wire::kReplyAccept, 0));
    ExpectWholeAndAlone(run, side);
    platform::RemoveFile(Target().c_str());
  }
}

TEST_F(FileResumeTest, TheUsersOwnStopRemovesThePartAndTheUnloadingKeepsIt) {
  struct Case {
    const char* name;
    std::function<void(LoneTransfer&)> stop;
    bool kept;
  };
  const Case cases[] = {
      {"the peer cut it", {}, true},
      {"the user stopped it", [](LoneTransfer& t) { t.registry.Stop(t.handle.Id()); }, false},
      {"the plug-in was unloaded", [](LoneTransfer& t) { t.registry.StopAll(); }, true},
      {"stopped, then unloaded",
       [](LoneTransfer& t) {
         t.registry.Stop(t.handle.Id());
         t.registry.StopAll();
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Fresh, gone on from, and gone on from but stopped within the window.
    using Try = std::pair<bool, size_t>;  // gone on from, data before the stop
    for (const auto& [resumed, came] : {Try{false, 140000}, Try{true, 140000}, Try{true, 30000}}) {
      FakeTransferSide side;
      side.saveChoice = Target();
      if (resumed) KeepAPart(side);
      // The stop shuts the socket down: the next read after `came` bytes fails.
      const StreamRun run = Receive(side, Stream(resumed ? kAsked : 0),
                                    {.cut = CutAfterData(came), .before = [&](auto& t, auto&) {
                                       if (c.stop) c.stop(t);
                                     }});
      EXPECT_FALSE(run.done);
      EXPECT_EQ(run.facts.note, c.kept ? EndNote::PartKept : EndNote::None);
      EXPECT_EQ(side.keptParts.Free().size(), c.kept ? 1u : 0u);
      EXPECT_EQ(scratch_.Names().size(), c.kept ? 2u : 0u);
      for (const std::string& record : side.keptParts.Free()) RemoveKeptPart(side, record);
    }
  }
}

// A peer that announces far more than it sends, cut twice: what came is
// kept each time and asked for a window before, never more.
TEST_F(FileResumeTest, AHugeAnnouncedSizeWithAKeptPart) {
  const uint64_t huge = uint64_t{1} << 62;
  auto stream = [&](size_t from, size_t count) {
    Bytes bytes = testing::GoldenOffer("film.bin", huge);
    const Bytes chunks = testing::GoldenChunks(Slice(data_, from, count));
    // Every chunk but the last (which would be short of the size) goes.
    bytes.insert(bytes.end(), chunks.begin(), chunks.end() - 12);
    return bytes;
  };
  constexpr size_t kFirst = 49 * 4096, kAskedThen = kFirst - kResumeWindow;
  EXPECT_EQ(Receive(side_, stream(0, kFirst)).facts.note, EndNote::PartKept);
  const StreamRun again = Receive(side_, stream(kAskedThen, 28 * 4096));
  EXPECT_EQ(again.questions.back(),
            "Plik film.bin zosta\xB3 ju\xBF cz\xEA\x9C"
            "ciowo odebrany (196 KB z 4503599627370496 KB). Wznowi\xE6?");
  EXPECT_EQ(again.Written(), Reply(wire::kReplyAccept, kAskedThen));
  EXPECT_EQ(again.facts.note, EndNote::PartKept);
  EXPECT_EQ(again.facts.offset + again.facts.moved, static_cast<int64_t>(kAskedThen + 28 * 4096));
  EXPECT_TRUE(KeptBytes(side_) == Slice(data_, 0, kAskedThen + 28 * 4096));
  EXPECT_TRUE(Saved().empty());
}

TEST_F(FileResumeTest, WithoutAPlaceToListThemNoPartIsKept) {
  side_.keeps = false;
  EXPECT_EQ(CutAfter(side_, kKept).facts.note, EndNote::None);
  ExpectOnly({});
}

}  // namespace
}  // namespace kvel::transfers
