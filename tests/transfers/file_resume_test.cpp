// The receiving side keeps what a cut leaves and goes on from it when the
// same transfer is offered again; a sender that ignores the offset, a part
// changed on disk or any other offer never yields a wrong file.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/golden_stream.h"
#include "support/lone_transfer.h"
#include "support/test_paths.h"
#include "transfers/kept_parts.h"
#include "transfers/part_names.h"
#include "transfers/transfer_stream.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

using testing::FakeConnection;
using testing::FakeTransferSide;
using testing::LoneTransfer;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kPeer = 4321;
// Five whole chunks: the last chunk carries no data.
constexpr size_t kFileSize = 5 * 4096;
constexpr size_t kOfferBytes = 16 + wire::kFileInfoSize;

Bytes Reply(uint32_t code, uint32_t offset) {
  return testing::Words({code, offset, 0});
}

// "Plik film.bin został już częściowo odebrany (<kept> KB z 20 KB). Wznowić?"
std::string ResumeQuestion(size_t kept) {
  return "Plik film.bin zosta\xB3 ju\xBF cz\xEA\x9C"
         "ciowo odebrany (" +
         std::to_string(kept / 1024) + " KB z 20 KB). Wznowi\xE6?";
}

// Where a stream of the whole file is cut so that `came` bytes of data (at
// least one) came, with the headers before them.
size_t CutAfterData(size_t came) {
  return kOfferBytes + 12 * ((came - 1) / 4096 + 1) + came;
}

class FileResumeTest : public ::testing::Test {
 protected:
  FileResumeTest() : data_(testing::PatternBytes(kFileSize, 7)) {}

  std::string Target() const { return scratch_.File("film.bin"); }
  // The offer of the file, and the file's chunks from `from` on, as a sender
  // that honours the offset sends them.
  Bytes Stream(size_t from = 0, const std::string& name = "film.bin",
               uint64_t size = kFileSize) const {
    Bytes stream = testing::GoldenOffer(name, size);
    const Bytes chunks = testing::GoldenChunks(Bytes(data_.begin() + from, data_.end()));
    stream.insert(stream.end(), chunks.begin(), chunks.end());
    return stream;
  }
  struct Run {
    bool received = false;
    Bytes written;  // what this side sent: its answer
    std::vector<std::string> questions;
    Transfer facts;
  };
  // One receive on `side` from `uin`, of `stream` cut after `cut` bytes;
  // `before` runs with the transfer before the stream (to stop it).
  Run Receive(FakeTransferSide& side, const Bytes& stream, size_t cut = SIZE_MAX,
              uint32_t uin = kPeer, std::function<void(LoneTransfer&)> before = {}) {
    LoneTransfer transfer(uin);
    if (before) before(transfer);
    FakeConnection connection(stream);
    connection.CutAt(cut);
    side.dialogs.clear();
    Run run;
    run.received = ReceiveStream(connection, side, transfer.handle);
    run.written = connection.Written();
    for (const auto& dialog : side.dialogs)
      if (dialog.kind == "question") run.questions.push_back(dialog.text);
    run.facts = transfer.Read();
    return run;
  }
  // Cuts a first transfer of the file after `bytes` of its data.
  Run CutAfter(size_t bytes) { return Receive(side_, Stream(), CutAfterData(bytes)); }
  Bytes Saved() const {
    std::string content;
    if (!testing::ReadFile(Target(), &content)) return {};
    return Bytes(content.begin(), content.end());
  }
  // The folder holds nothing but `names` (sorted).
  void ExpectOnly(std::vector<std::string> names) const { EXPECT_EQ(scratch_.Names(), names); }
  size_t KeptCount() { return side_.keptParts.Free().size(); }

  Bytes data_;
  testing::ScratchDir scratch_;
  FakeTransferSide side_;
};

TEST_F(FileResumeTest, ACutTransferGoesOnFromWhatCame) {
  struct Case {
    const char* name;
    size_t came;   // data bytes before the cut
    bool restart;  // the host restarts between the two
  };
  const Case cases[] = {
      {"one byte", 1, false},
      {"one chunk", 4096, false},
      {"all but one byte", kFileSize - 1, false},
      // Only the last chunk's header was missing: one empty last chunk comes.
      {"every byte", kFileSize, false},
      {"across a restart", 10000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide first, second;
    for (FakeTransferSide* side : {&first, &second}) side->saveChoice = Target();
    const std::string list = scratch_.File("kept-parts");
    if (c.restart) first.keptParts.Open(list, first);
    // Cut within the data: the part and its record are kept.
    const Run cutRun = Receive(first, Stream(), CutAfterData(c.came));
    ASSERT_FALSE(cutRun.received);
    EXPECT_EQ(cutRun.facts.note, EndNote::PartKept);
    EXPECT_EQ(scratch_.Names().size(), c.restart ? 3u : 2u);
    FakeTransferSide& resuming = c.restart ? second : first;
    if (c.restart) second.keptParts.Open(list, second);
    // Offered again: a second question, and the rest asked for.
    const Run run = Receive(resuming, Stream(c.came));
    EXPECT_TRUE(run.received);
    EXPECT_EQ(run.questions.size(), 2u);
    EXPECT_EQ(run.questions.back(), ResumeQuestion(c.came));
    EXPECT_EQ(run.written, Reply(wire::kReplyAccept, static_cast<uint32_t>(c.came)));
    EXPECT_EQ(run.facts.offset, static_cast<int64_t>(c.came));
    EXPECT_EQ(run.facts.moved, static_cast<int64_t>(kFileSize - c.came));
    EXPECT_TRUE(Saved() == data_);
    // Nothing is left of the part, its record or its listing.
    EXPECT_TRUE(resuming.keptParts.Free().empty());
    ExpectOnly({"film.bin"});
    platform::RemoveFile(Target().c_str());
    platform::RemoveFile(list.c_str());
  }
}

TEST_F(FileResumeTest, DecliningToGoOnStartsAfreshAndRemovesThePart) {
  side_.saveChoice = Target();
  CutAfter(5000);
  const std::string kept = side_.keptParts.Free().at(0);
  side_.answers = {true, false};
  const Run run = Receive(side_, Stream());
  EXPECT_EQ(run.questions.size(), 2u);
  EXPECT_EQ(run.written, Reply(wire::kReplyAccept, 0));
  EXPECT_TRUE(run.received);
  EXPECT_TRUE(Saved() == data_);
  EXPECT_FALSE(testing::FileExists(kept) || testing::FileExists(*PartOfRecord(kept)));
  EXPECT_EQ(KeptCount(), 0u);
  ExpectOnly({"film.bin"});
}

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
      {"another name", kPeer, "film2.bin", kFileSize, "film.bin", false},
      {"another size", kPeer, "film.bin", kFileSize + 1, "film.bin", false},
      {"another path", kPeer, "film.bin", kFileSize, "inny.bin", false},
      {"another file to another path", kPeer, "inny.bin", kFileSize, "inny.bin", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    ASSERT_EQ(Receive(side, Stream(), CutAfterData(6000)).facts.note, EndNote::PartKept);
    const std::string kept = side.keptParts.Free().at(0);
    side.saveChoice = scratch_.File(c.target);
    // The other offer's own data: the size it announces, from the start.
    Bytes stream = testing::GoldenOffer(c.offered, c.size);
    const Bytes file = testing::PatternBytes(c.size, 9);
    const Bytes chunks = testing::GoldenChunks(file);
    stream.insert(stream.end(), chunks.begin(), chunks.end());
    const Run run = Receive(side, stream, SIZE_MAX, c.uin);
    EXPECT_TRUE(run.received);
    EXPECT_EQ(run.questions.size(), 1u);
    EXPECT_EQ(run.written, Reply(wire::kReplyAccept, 0));
    std::string saved;
    ASSERT_TRUE(testing::ReadFile(scratch_.File(c.target), &saved));
    EXPECT_TRUE(Bytes(saved.begin(), saved.end()) == file);
    EXPECT_EQ(testing::FileExists(kept), c.partStays);
    EXPECT_EQ(testing::FileExists(*PartOfRecord(kept)), c.partStays);
    EXPECT_EQ(side.keptParts.Free().size(), c.partStays ? 1u : 0u);
    for (const std::string& name : scratch_.Names())
      platform::RemoveFile(scratch_.File(name).c_str());
  }
}

TEST_F(FileResumeTest, ASenderThatIgnoresTheOffsetLosesNothing) {
  // Asked for the rest, the sender sends the whole file again, from 0.
  for (size_t came : {size_t{1}, size_t{4096}, kFileSize - 1, kFileSize}) {
    SCOPED_TRACE(came);
    for (bool existing : {false, true}) {
      FakeTransferSide side;
      side.saveChoice = Target();
      if (existing) testing::WriteFile(Target(), "old");
      ASSERT_EQ(Receive(side, Stream(), CutAfterData(came)).facts.note, EndNote::PartKept);
      const Run ignored = Receive(side, Stream(0));
      EXPECT_FALSE(ignored.received);
      EXPECT_EQ(ignored.written, Reply(wire::kReplyAccept, static_cast<uint32_t>(came)));
      EXPECT_EQ(ignored.facts.note, EndNote::SenderCannotResume);
      // Never past the size: the part took no more than the rest.
      EXPECT_LE(ignored.facts.moved, static_cast<int64_t>(kFileSize - came));
      // The chosen path is untouched and the kept part is gone.
      EXPECT_EQ(Saved(), existing ? Bytes({'o', 'l', 'd'}) : Bytes());
      EXPECT_TRUE(side.keptParts.Free().empty());
      ExpectOnly(existing ? std::vector<std::string>{"film.bin"} : std::vector<std::string>{});
      // So the next offer of the file starts from 0, and gets it whole.
      const Run next = Receive(side, Stream(0));
      EXPECT_EQ(next.questions.size(), 1u);
      EXPECT_EQ(next.written, Reply(wire::kReplyAccept, 0));
      EXPECT_TRUE(next.received);
      EXPECT_TRUE(Saved() == data_);
      platform::RemoveFile(Target().c_str());
    }
  }
}

TEST_F(FileResumeTest, APartChangedOnDiskIsNotUsed) {
  struct Case {
    const char* name;
    std::function<void(const std::string& record, const std::string& part)> change;
  };
  const Case cases[] = {
      {"a byte appended",
       [](const auto&, const auto& part) {
         std::string bytes;
         testing::ReadFile(part, &bytes);
         testing::WriteFile(part, bytes + "x");
       }},
      {"cut shorter", [](const auto&, const auto& part) { testing::WriteFile(part, "short"); }},
      {"the part gone", [](const auto&, const auto& part) { platform::RemoveFile(part.c_str()); }},
      {"the record gone",
       [](const auto& record, const auto&) { platform::RemoveFile(record.c_str()); }},
      {"the record damaged",
       [](const auto& record, const auto&) { testing::WriteFile(record, "kvel kept record 1\n"); }},
      {"more kept than the part holds",
       [](const auto& record, const auto&) {
         std::string bytes;
         testing::ReadFile(record, &bytes);
         const size_t at = bytes.find("kept=6000");
         testing::WriteFile(record, bytes.replace(at, 9, "kept=6001"));
       }},
      {"kept past the announced size",
       [](const auto& record, const auto&) {
         std::string bytes;
         testing::ReadFile(record, &bytes);
         const size_t at = bytes.find("kept=6000");
         testing::WriteFile(record, bytes.replace(at, 9, "kept=20481"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    side.saveChoice = Target();
    ASSERT_EQ(Receive(side, Stream(), CutAfterData(6000)).facts.note, EndNote::PartKept);
    const std::string record = side.keptParts.Free().at(0);
    c.change(record, *PartOfRecord(record));
    const Run run = Receive(side, Stream(0));
    EXPECT_EQ(run.questions.size(), 1u);
    EXPECT_EQ(run.written, Reply(wire::kReplyAccept, 0));
    EXPECT_TRUE(run.received);
    EXPECT_TRUE(Saved() == data_);
    EXPECT_TRUE(side.keptParts.Free().empty());
    ExpectOnly({"film.bin"});
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
    for (bool resumed : {false, true}) {
      FakeTransferSide side;
      side.saveChoice = Target();
      size_t from = 0;
      if (resumed) {
        ASSERT_EQ(Receive(side, Stream(), CutAfterData(3000)).facts.note, EndNote::PartKept);
        from = 3000;
      }
      // The stop shuts the socket down: the next read after 1000 bytes fails.
      const Run run = Receive(side, Stream(from), CutAfterData(1000), kPeer, c.stop);
      EXPECT_FALSE(run.received);
      EXPECT_EQ(run.facts.note, c.kept ? EndNote::PartKept : EndNote::None);
      EXPECT_EQ(side.keptParts.Free().size(), c.kept ? 1u : 0u);
      EXPECT_EQ(scratch_.Names().size(), c.kept ? 2u : 0u);
      for (const std::string& record : side.keptParts.Free()) RemoveKeptPart(side, record);
    }
  }
}

// A peer that announces far more than it sends, cut twice: what came is
// kept each time and asked for past, never more.
TEST_F(FileResumeTest, AHugeAnnouncedSizeWithAKeptPart) {
  side_.saveChoice = Target();
  const uint64_t huge = uint64_t{1} << 62;
  auto stream = [&](size_t from, size_t count) {
    Bytes bytes = testing::GoldenOffer("film.bin", huge);
    const Bytes chunks =
        testing::GoldenChunks(Bytes(data_.begin() + from, data_.begin() + from + count));
    // Every chunk but the last (which would be short of the size) goes.
    bytes.insert(bytes.end(), chunks.begin(),
                 chunks.end() - 12 - static_cast<ptrdiff_t>(count % 4096));
    return bytes;
  };
  EXPECT_EQ(Receive(side_, stream(0, 8192)).facts.note, EndNote::PartKept);
  const Run again = Receive(side_, stream(8192, 4096));
  EXPECT_EQ(again.questions.back(),
            "Plik film.bin zosta\xB3 ju\xBF cz\xEA\x9C"
            "ciowo odebrany (8 KB z 4503599627370496 KB). Wznowi\xE6?");
  EXPECT_EQ(again.written, Reply(wire::kReplyAccept, 8192));
  EXPECT_EQ(again.facts.note, EndNote::PartKept);
  EXPECT_EQ(again.facts.offset + again.facts.moved, 12288);
  const std::vector<std::string> kept = side_.keptParts.Free();
  ASSERT_EQ(kept.size(), 1u);
  std::string part;
  ASSERT_TRUE(testing::ReadFile(*PartOfRecord(kept[0]), &part));
  EXPECT_TRUE(Bytes(part.begin(), part.end()) == Bytes(data_.begin(), data_.begin() + 12288));
  EXPECT_TRUE(Saved().empty());
}

TEST_F(FileResumeTest, WithoutAPlaceToListThemNoPartIsKept) {
  side_.keeps = false;
  side_.saveChoice = Target();
  EXPECT_EQ(CutAfter(5000).facts.note, EndNote::None);
  ExpectOnly({});
}

}  // namespace
}  // namespace kvel::transfers
