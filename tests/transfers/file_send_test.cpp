#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "stream_fixture.h"

namespace kvel::transfers {
namespace {

using namespace std::string_literals;

const Bytes kOfferStartBytes = {1, 0, 0, 0};
const Bytes kAccept = Reply(wire::kReplyAccept);

// The record as the peer received it.
wire::FileInfo SentRecord(const StreamRun& run) {
  return *wire::DecodeFileInfo(Slice(run.Written(), 16, wire::kFileInfoSize));
}

// The chunks a run sent after its offer.
Bytes SentChunks(const StreamRun& run) {
  return Slice(run.Written(), kOfferBytes, run.Written().size() - kOfferBytes);
}

class FileSendTest : public StreamTest {
 protected:
  // A file of `content` that `side` (the fixture's by default) chooses.
  std::string Source(const Bytes& content, const std::string& name = "source.bin") {
    const std::string path = scratch_.File(name);
    testing::WriteFile(path, std::string(content.begin(), content.end()));
    side_.openChoice = path;
    return path;
  }
  // Sends the fixture's choice on a side of its own, set up by `setUp`.
  StreamRun SendChosen(Bytes answer, std::function<void(FakeTransferSide&)> setUp = {},
                       std::function<void(FakeConnection&)> connect = {}) {
    FakeTransferSide side;
    side.openChoice = side_.openChoice;
    if (setUp) setUp(side);
    StreamRun run = Send(side, std::move(answer), {.before = [&](auto&, auto& connection) {
                           if (connect) connect(connection);
                         }});
    last_ = {side.openFiles, side.closedFiles, side.opened.size(), side.seeks};
    return run;
  }
  // The files of the last SendChosen's side.
  struct Files {
    int open = 0, closed = 0;
    size_t opened = 0;
    std::vector<uint64_t> seeks;
  } last_;
};

TEST_F(FileSendTest, StreamIsTheGoldenOneForEverySize) {
  for (size_t size : {0u, 1u, 4095u, 4096u, 4097u, 65535u, 65536u, 65537u, (1u << 20) + 3}) {
    SCOPED_TRACE(size);
    const Bytes data = PatternBytes(size, 9);
    const std::string name = "f" + std::to_string(size) + ".bin";
    const std::string path = Source(data, name);
    const StreamRun run = SendChosen(kAccept);
    ASSERT_TRUE(run.done);
    // The record's times and attributes are the platform's: compared apart.
    ASSERT_GE(run.Written().size(), kOfferBytes);
    EXPECT_EQ(Slice(run.Written(), 0, 16), Slice(testing::GoldenOffer(name, size), 0, 16));
    EXPECT_EQ(SentRecord(run).Size(), size);
    EXPECT_EQ(SentRecord(run).name, name);
    EXPECT_TRUE(SentChunks(run) == testing::GoldenChunks(data));
    // The record has the file, its size from the start, and every byte.
    EXPECT_EQ(run.facts.state, TransferState::Moving);
    EXPECT_EQ(run.facts.path, path);
    EXPECT_EQ(run.facts.size, static_cast<int64_t>(size));
    EXPECT_EQ(run.facts.offset, 0);
    EXPECT_EQ(run.facts.moved, static_cast<int64_t>(size));
    EXPECT_EQ(last_.open, 0);
    EXPECT_EQ(last_.closed, 1);
    // Each item is one write, and later writes are whole chunks, as many as
    // 64 KiB takes.
    const std::vector<Bytes>& writes = run.connection.Writes();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[0], kOfferStartBytes);
    // OfferInfo, the two zero words and the record: one item.
    EXPECT_EQ(writes[1].size(), 12 + wire::kFileInfoSize);
    const size_t chunk = wire::kChunkHeaderSize + wire::kSendChunkSize;
    for (size_t i = 2; i < writes.size(); ++i) {
      SCOPED_TRACE(i);
      const Bytes& write = writes[i];
      EXPECT_LE(write.size(), wire::kSendWriteMax);
      if (i + 1 < writes.size()) {
        EXPECT_GT(write.size() + chunk, wire::kSendWriteMax);
      }
      size_t at = 0;
      while (at + wire::kChunkHeaderSize <= write.size()) {
        const wire::ChunkHeader header = *wire::DecodeChunkHeader(std::span(write).subspan(at));
        at += wire::kChunkHeaderSize + static_cast<size_t>(header.length);
      }
      EXPECT_EQ(at, write.size());
    }
  }
}

TEST_F(FileSendTest, OfferStartGoesOutBeforeTheDialogOpens) {
  const FakeConnection* connection = nullptr;
  Bytes sentAtDialog;
  side_.onDialog = [&](const FakeTransferSide::Dialog&) { sentAtDialog = connection->Written(); };
  const StreamRun run =
      Send(side_, {}, {.before = [&](auto&, FakeConnection& made) { connection = &made; }});
  EXPECT_FALSE(run.done);
  EXPECT_EQ(sentAtDialog, kOfferStartBytes);
  ASSERT_EQ(run.dialogs, std::vector<std::string>{"open"});
  EXPECT_EQ(side_.dialogs[0].text, "");  // nothing proposed
  EXPECT_EQ(side_.dialogs[0].filter, std::string("wszystkie pliki\0*.*\0", 20));
  EXPECT_EQ(side_.dialogs[0].flags, 0x02001C02u);
  EXPECT_EQ(side_.dialogs[0].pathSize, 260u);
  // Cancelled: the peer has the first word only.
  EXPECT_EQ(run.Written(), kOfferStartBytes);
  EXPECT_TRUE(side_.opened.empty());
  EXPECT_EQ(run.facts.path, "");  // no file chosen
}

// With somewhere to hand them, the user may pick several files: the first
// is offered here, the others are handed on at once, before the offer.
TEST_F(FileSendTest, SeveralFilesChosenTheFirstHereTheRestHandedOn) {
  const std::string folder = scratch_.File("");
  for (const char* name : {"a b.bin", "c.bin", "d.bin"})
    testing::WriteFile(scratch_.File(name), std::string(5000, 'x'));
  const struct {
    const char* name;
    std::optional<std::string> answer;  // what the dialog fills in
    std::string offered;                // the file offered here; empty: none
    std::vector<std::string> further;
  } cases[] = {
      {"several",
       folder + "\0a b.bin\0c.bin\0d.bin\0\0"s,
       folder + "a b.bin",
       {folder + "c.bin", folder + "d.bin"}},
      {"one", folder + "c.bin", folder + "c.bin", {}},
      {"cancelled", std::nullopt, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTransferSide side;
    LoneTransfer transfer(4321, transfers::Send);
    side.openChoice = c.answer;
    std::vector<std::vector<std::string>> handed;
    Bytes sentWhenHanded;
    FakeConnection connection(kAccept);
    const FurtherFiles further = [&](std::vector<std::string> paths) {
      sentWhenHanded = connection.Written();
      handed.push_back(std::move(paths));
    };
    EXPECT_EQ(SendStream(connection, side, transfer.handle, further), !c.offered.empty());
    ASSERT_EQ(side.dialogs.size(), 1u);
    EXPECT_EQ(side.dialogs[0].flags, 0x02281E02u);
    EXPECT_EQ(side.dialogs[0].pathSize, 32768u);
    EXPECT_EQ(transfer.Read().path, c.offered);
    if (c.further.empty()) {
      EXPECT_TRUE(handed.empty());
    } else {
      EXPECT_EQ(handed, std::vector<std::vector<std::string>>{c.further});
      EXPECT_EQ(sentWhenHanded, kOfferStartBytes);
    }
    if (!c.offered.empty()) {
      EXPECT_EQ(wire::DecodeFileInfo(Slice(connection.Written(), 16, wire::kFileInfoSize))->name,
                c.offered.substr(folder.size()));
    }
  }
}

// A file chosen earlier, with others, is offered without asking again.
TEST_F(FileSendTest, AFileTheTransferNamesIsOfferedWithoutADialog) {
  const Bytes data = PatternBytes(5000, 3);
  const std::string path = Source(data, "chosen before.bin");
  side_.openChoice.reset();
  LoneTransfer transfer(4321, transfers::Send);
  transfer.handle.NameFile(path);
  FakeConnection connection(kAccept);
  bool handed = false;
  EXPECT_TRUE(SendStream(connection, side_, transfer.handle,
                         [&](std::vector<std::string>) { handed = true; }));
  EXPECT_TRUE(side_.dialogs.empty());
  EXPECT_FALSE(handed);
  EXPECT_EQ(wire::DecodeFileInfo(Slice(connection.Written(), 16, wire::kFileInfoSize))->name,
            "chosen before.bin");
  EXPECT_EQ(transfer.Read().moved, 5000);

  // One that is gone by its turn fails with its name known, offering nothing.
  const StreamRun gone = Send(side_, kAccept, {.before = [&](LoneTransfer& t, auto&) {
                                t.handle.NameFile(scratch_.File("gone.bin"));
                              }});
  EXPECT_FALSE(gone.done);
  EXPECT_EQ(gone.Written(), kOfferStartBytes);
  EXPECT_EQ(gone.facts.path, scratch_.File("gone.bin"));
}

// Only a whole acceptance, in any pieces, lets the data follow; any other code,
// or a reply cut short, ends the transfer with its file named and nothing
// of it opened.
TEST_F(FileSendTest, OnlyAWholeAcceptanceLetsTheDataFollow) {
  Source(PatternBytes(10));
  struct Case {
    uint32_t code;
    size_t cut;  // the reply ends (or fails) after this many bytes
    bool fail;
    size_t readLimit;
  };
  std::vector<Case> cases = {{wire::kReplyAccept, SIZE_MAX, false, 1}};
  for (uint32_t code : {7u, 0u, 1u, 5u, 0x106u, 0xFFFFFFFFu})
    cases.push_back({code, SIZE_MAX, false, 0});
  for (size_t cut = 0; cut < wire::kOfferReplySize; ++cut)
    for (bool fail : {false, true}) cases.push_back({wire::kReplyAccept, cut, fail, 0});
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.code << " cut " << c.cut << " fail " << c.fail);
    const StreamRun run = SendChosen(Reply(c.code), {}, [&](FakeConnection& connection) {
      connection.CutAt(c.cut, c.fail);
      connection.SetReadLimit(c.readLimit);
    });
    const bool whole = c.code == wire::kReplyAccept && c.cut == SIZE_MAX;
    EXPECT_EQ(run.done, whole);
    EXPECT_EQ(run.Written().size(), kOfferBytes + (whole ? 12 + 10 : 0));
    if (whole) continue;
    // The file is named (a refusal names it), but nothing moves.
    EXPECT_EQ(run.facts.path, *side_.openChoice);
    EXPECT_EQ(run.facts.state, TransferState::Asking);
    EXPECT_EQ(run.facts.size, 0);
    EXPECT_EQ(last_.opened, 0u);
  }
}

// A receiver that kept the start of a cut transfer asks for the rest.
TEST_F(FileSendTest, SendsTheRestFromTheOffsetAskedFor) {
  const Bytes data = PatternBytes(40000, 5);
  Source(data);
  struct Case {
    const char* name;
    uint32_t offset;
    bool sent;  // the transfer goes; otherwise nothing after the offer
  } cases[] = {
      {"from the start", 0, true},
      {"from the second byte", 1, true},
      {"within", 12000, true},
      {"one whole chunk left", 40000 - 4096, true},
      {"one byte left", 39999, true},
      {"at the size: one empty last chunk", 40000, true},
      {"one past the size", 40001, false},
      {"far past the size", 0xFFFFFFFFu, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StreamRun run = SendChosen(Reply(wire::kReplyAccept, c.offset));
    EXPECT_EQ(run.done, c.sent);
    ASSERT_GE(run.Written().size(), kOfferBytes);
    if (!c.sent) {
      EXPECT_TRUE(SentChunks(run).empty());
      EXPECT_EQ(run.facts.state, TransferState::Asking);
      EXPECT_EQ(last_.opened, 0u);
      continue;
    }
    const Bytes rest = Slice(data, c.offset, data.size() - c.offset);
    EXPECT_TRUE(SentChunks(run) == testing::GoldenChunks(rest));
    // The record starts at the offset, of the whole file; what moved is the
    // rest, this connection's bytes only.
    EXPECT_EQ(run.facts.size, 40000);
    EXPECT_EQ(run.facts.offset, c.offset);
    EXPECT_EQ(run.facts.moved, static_cast<int64_t>(rest.size()));
    EXPECT_EQ(last_.seeks,
              c.offset == 0 ? std::vector<uint64_t>{} : std::vector<uint64_t>{c.offset});
    EXPECT_EQ(last_.open, 0);
  }
}

// Offsets are 32-bit: for a file of 4 GiB or more the highest one still lies
// within it, and the seek there must not wrap at 4 GiB.
TEST_F(FileSendTest, AFileOfMoreThan4GiBIsSentFromAnOffsetBelow4GiB) {
  const uint64_t size = (uint64_t{1} << 32) + 10;
  const std::string path = scratch_.File("big.bin");
  const Bytes tail = PatternBytes(26, 3);  // the last 26 bytes
  { std::ofstream out(path, std::ios::binary); }
  std::error_code error;
  std::filesystem::resize_file(path, size - tail.size(), error);
  if (error) GTEST_SKIP() << "no sparse file of 4 GiB here: " << error.message();
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(tail.data()),
              static_cast<std::streamsize>(tail.size()));
  }
  side_.openChoice = path;
  const StreamRun run = Send(side_, Reply(wire::kReplyAccept, 0xFFFFFFF0u));
  std::filesystem::remove(path, error);
  ASSERT_TRUE(run.done);
  EXPECT_TRUE(SentChunks(run) == testing::GoldenChunks(tail));
  EXPECT_EQ(run.facts.offset, 0xFFFFFFF0ll);
  EXPECT_EQ(run.facts.size, static_cast<int64_t>(size));
  EXPECT_EQ(run.facts.moved, static_cast<int64_t>(tail.size()));
}

// Sent only once every byte went out and the receiver then closed; sending
// ends after the last byte, and only then is the close awaited.
TEST_F(FileSendTest, TrueOnlyWhenEveryByteWasSentAndTheReceiverClosed) {
  Source(PatternBytes(5000));
  const size_t total = kOfferBytes + 12 + 4096 + 12 + 904;
  for (size_t limit = 0; limit <= total + 1; ++limit) {
    const bool closes = limit <= total;  // past the total: all is sent, no close
    SCOPED_TRACE(limit);
    const StreamRun run = SendChosen(kAccept, {}, [&](FakeConnection& connection) {
      connection.FailWritesAfter(limit);
      connection.SetPeerCloses(closes);
    });
    EXPECT_EQ(run.done, limit == total);
    EXPECT_EQ(last_.open, 0);
    EXPECT_LE(run.facts.moved, static_cast<int64_t>(limit));
    if (limit >= total) {
      EXPECT_EQ(run.connection.ShutdownAfter(), total);
      EXPECT_TRUE(run.connection.WaitedForCloseAfterShutdown());
    }
  }
}

// A file that cannot be opened, read to its end or sought to the offset
// asked for sends no chunk, and is closed; one without information is not
// even offered.
TEST_F(FileSendTest, AFileThatCannotBeReadSendsNoChunk) {
  const std::string source = Source(PatternBytes(9000));
  const struct Case {
    const char* name;
    bool failOpen, failSeek;
    size_t failReadAfter;
    bool vanished;
    uint32_t offset;
  } cases[] = {
      {"cannot be opened", true, false, SIZE_MAX, false, 0},
      // The file is read ahead of the chunks: nothing of it goes out.
      {"read fails in the second chunk", false, false, 5000, false, 0},
      {"cannot seek to the offset", false, true, SIZE_MAX, false, 100},
      {"no file information", false, false, SIZE_MAX, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StreamRun run =
        SendChosen(Reply(wire::kReplyAccept, c.offset), [&](FakeTransferSide& side) {
          side.openChoice = c.vanished ? scratch_.File("vanished.bin") : source;
          side.failOpenForReading = c.failOpen;
          side.failSeek = c.failSeek;
          side.failReadAfter = c.failReadAfter;
        });
    EXPECT_FALSE(run.done);
    EXPECT_EQ(run.Written().size(), c.vanished ? kOfferStartBytes.size() : kOfferBytes);
    EXPECT_EQ(run.connection.ShutdownAfter(), SIZE_MAX);
    EXPECT_EQ(last_.closed, c.failOpen || c.vanished ? 0 : 1);
    EXPECT_EQ(last_.open, 0);
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
    const StreamRun run = SendChosen(kAccept, [&](FakeTransferSide& side) {
      side.openChoice = c.path;
      side.information = information;
      side.failOpenForReading = true;
    });
    EXPECT_FALSE(run.done);
    const wire::FileInfo record = SentRecord(run);
    EXPECT_EQ(record.attributes, 0x21u);
    EXPECT_EQ(record.creationTime, information.creationTime);
    EXPECT_EQ(record.lastAccessTime, information.lastAccessTime);
    EXPECT_EQ(record.lastWriteTime, information.lastWriteTime);
    EXPECT_EQ(record.sizeHigh, 1u);
    EXPECT_EQ(record.sizeLow, 0x10u);
    EXPECT_EQ(record.name, c.name);
    EXPECT_EQ(run.facts.size, 0x1'0000'0010ll);
  }
}

}  // namespace
}  // namespace kvel::transfers
