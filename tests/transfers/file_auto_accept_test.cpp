// A trusted contact's file taken without the question, through the
// receiving stream: into the folder under a name that overwrites nothing,
// with every guarantee of a received file, and asked as any other offer
// whenever it cannot be taken so (the log then says why).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "stream_fixture.h"
#include "support/bounded_wait.h"
#include "transfers/auto_accept/auto_acceptor.h"
#include "transfers/kept/resume_point.h"

namespace kvel::transfers {
namespace {

constexpr uint32_t kPeer = 1001;
constexpr uint32_t kHome = 0x0100007F;   // 127.0.0.1
constexpr uint32_t kOther = 0x0200007F;  // 127.0.0.2
constexpr OfferOrigin kFromHome{kHome, kHome, false};
constexpr OfferOrigin kFromOther{kOther, kHome, false};
constexpr uint32_t kMaxKb = 256;

std::string Text(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

Bytes Stream(const std::string& name, const Bytes& data) {
  return testing::GoldenStream(name, data);
}

class FileAutoAcceptTest : public StreamTest {
 protected:
  FileAutoAcceptTest() {
    side_.saveChoice = scratch_.File("chosen.bin");
    Configure(Folder());
  }
  std::string Folder() const { return scratch_.Path() + "odebrane" + platform::kPathSeparator; }
  // kvel's own folder, whose image cache trusts its names.
  std::string DataFolder() const { return scratch_.Path() + "kvel" + platform::kPathSeparator; }
  void Configure(const std::string& folder) {
    AutoAcceptSettings settings;
    settings.uins = {kPeer};
    settings.maxKb = kMaxKb;
    acceptor_.Configure(settings, folder, DataFolder());
  }
  StreamRun Receive(const Bytes& stream, OfferOrigin origin = kFromHome, uint32_t uin = kPeer,
                    size_t cut = SIZE_MAX) {
    AutoAccepting accepting{acceptor_, origin,
                            [this](const std::string& line) { log_.push_back(line); }};
    return StreamTest::Receive(side_, stream, {.cut = cut, .uin = uin, .accepting = &accepting});
  }
  // The names in the folder, sorted; parts and records included.
  std::vector<std::string> InFolder() const {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ignored))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Content(const std::string& name) const { return transfers::Content(Folder() + name); }

  uint32_t now_ = 1000;
  AutoAcceptor acceptor_{[this] { return now_; }};
  std::vector<std::string> log_;
};

TEST_F(FileAutoAcceptTest, ATrustedFileComesWithNoQuestionUnderItsOwnName) {
  const Bytes data = PatternBytes(5000, 1);
  ASSERT_FALSE(testing::FileExists(Folder()));
  const StreamRun run = Receive(Stream("raport.pdf", data));
  EXPECT_TRUE(run.done);
  EXPECT_TRUE(run.dialogs.empty());
  EXPECT_EQ(run.Written(), Reply(wire::kReplyAccept));
  // The folder was made for it and holds the whole file, nothing else.
  EXPECT_EQ(InFolder(), std::vector<std::string>{"raport.pdf"});
  EXPECT_EQ(Content("raport.pdf"), Text(data));
  EXPECT_EQ(run.facts.path, Folder() + "raport.pdf");
  EXPECT_TRUE(run.facts.takenWithoutAsking);
  EXPECT_TRUE(log_.empty());
  // It went through a part, moved without replacing.
  ASSERT_EQ(side_.moved.size(), 1u);
  EXPECT_NE(side_.moved[0].find(">>" + Folder() + "raport.pdf"), std::string::npos);
}

// (How a numbered name is written: NumberedPath.)
TEST_F(FileAutoAcceptTest, NamesTakenOnDiskOrUnderWayAreNeverOverwritten) {
  const struct Case {
    const char* name;
    std::vector<std::string> onDisk;    // before the offer, each with its own content
    std::vector<std::string> underWay;  // held by other transfers
    const char* offered;
    const char* saved;
  } cases[] = {
      {"OnDisk", {"a.txt"}, {}, "a.txt", "a (2).txt"},
      {"SeveralOnDisk", {"a.txt", "a (2).txt", "a (3).txt"}, {}, "a.txt", "a (4).txt"},
      {"AGap", {"a.txt", "a (3).txt"}, {}, "a.txt", "a (2).txt"},
#ifdef _WIN32
      // Names on a Windows disk ignore case.
      {"OtherCase", {"A.TXT"}, {}, "a.txt", "a (2).txt"},
#endif
      {"OtherCaseUnderWay", {}, {"A.TXT"}, "a.txt", "a (2).txt"},
      {"AFolderOfTheName", {}, {}, "sub", "sub (2)"},
      {"UnderWayAndOnDisk", {"a.txt"}, {"a (2).txt"}, "a.txt", "a (3).txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(Folder());
    std::filesystem::create_directory(Folder());
    std::filesystem::create_directory(Folder() + "sub");
    for (const std::string& name : c.onDisk) testing::WriteFile(Folder() + name, "old " + name);
    std::vector<ReceivingNames::Hold> holds;
    // Other transfers' names are held by the same acceptor: its HoldNextFreeName takes
    // them first, as those transfers did.
    for (const std::string& name : c.underWay)
      holds.push_back(acceptor_.HoldNextFreeName(name, side_));
    const Bytes data = PatternBytes(100, 2);
    const StreamRun run = Receive(Stream(c.offered, data));
    EXPECT_TRUE(run.done);
    EXPECT_TRUE(run.dialogs.empty());
    EXPECT_EQ(run.facts.path, Folder() + c.saved);
    EXPECT_EQ(Content(c.saved), Text(data));
    for (const std::string& name : c.onDisk) EXPECT_EQ(Content(name), "old " + name);
  }
}

// Two offers of one name at the same time, each on a thread of its own:
// both have chosen and hold their names before either file comes. (The
// meeting gives up within its bound; std::barrier of mingw's GCC 12 could
// lose the wake-up and hang for ever.)
TEST_F(FileAutoAcceptTest, TwoOffersOfOneNameAtOnceGetTwoNames) {
  const Bytes first = PatternBytes(9000, 11), second = PatternBytes(7000, 12);
  testing::Rendezvous bothChose(2, "both offers to hold their names before their data");
  struct Offer {
    const Bytes* data;
    bool done = false;
    std::string path;
  };
  Offer offers[] = {{&first, false, {}}, {&second, false, {}}};
  auto receive = [&](Offer& offer) {
    FakeTransferSide side;
    LoneTransfer transfer(kPeer);
    FakeConnection connection(Stream("same.bin", *offer.data));
    bool waited = false;
    connection.SetOnRead([&] {
      if (!waited && connection.Delivered() == kOfferBytes) {
        waited = true;
        bothChose.ArriveAndWait();
      }
    });
    AutoAccepting accepting{acceptor_, kFromHome, {}};
    offer.done = ReceiveStream(connection, side, transfer.handle, &accepting);
    offer.path = transfer.Read().path;
    // One that ended before its data (asked after all) does not keep the
    // other waiting: the checks below tell it.
    if (!waited) bothChose.ArriveAndWait();
  };
  testing::BoundedThread other("the second offer", receive, std::ref(offers[1]));
  receive(offers[0]);
  other.Join();
  EXPECT_TRUE(offers[0].done);
  EXPECT_TRUE(offers[1].done);
  EXPECT_NE(offers[0].path, offers[1].path);
  EXPECT_EQ(InFolder(), (std::vector<std::string>{"same (2).bin", "same.bin"}));
  for (const Offer& offer : offers) {
    std::string content;
    ASSERT_TRUE(testing::ReadFile(offer.path, &content));
    EXPECT_EQ(content, Text(*offer.data));
  }
}

TEST_F(FileAutoAcceptTest, AFileThatTakesTheNameMeanwhileStaysAndTheNextNameIsUsed) {
  const Bytes data = PatternBytes(3000, 3);
  int appeared = 0;
  // Another program writes the chosen name just before each of the first
  // two moves.
  side_.beforeMoveNew = [&](const std::string& to) {
    if (appeared++ < 2) testing::WriteFile(to, "theirs");
  };
  const StreamRun run = Receive(Stream("x.bin", data));
  EXPECT_TRUE(run.done);
  EXPECT_EQ(Content("x.bin"), "theirs");
  EXPECT_EQ(Content("x (2).bin"), "theirs");
  EXPECT_EQ(Content("x (3).bin"), Text(data));
  EXPECT_EQ(run.facts.path, Folder() + "x (3).bin");
  EXPECT_EQ(InFolder(), (std::vector<std::string>{"x (2).bin", "x (3).bin", "x.bin"}));
}

TEST_F(FileAutoAcceptTest, WhenNamesKeepBeingTakenTheFileFailsAndLeavesNothing) {
  side_.beforeMoveNew = [&](const std::string& to) { testing::WriteFile(to, "theirs"); };
  const StreamRun run = Receive(Stream("x.bin", PatternBytes(3000, 3)));
  EXPECT_FALSE(run.done);
  EXPECT_EQ(run.facts.note, EndNote::CannotCreate);
  for (const std::string& name : InFolder()) EXPECT_EQ(Content(name), "theirs") << name;
}

// (Whom the rule takes from: AutoAcceptRule; here each way through the
// stream and its log line.)
TEST_F(FileAutoAcceptTest, OffersThatCannotBeTakenSoAreAskedAndTheLogSaysWhy) {
  const Bytes small = PatternBytes(kMaxKb * 1024, 4);
  const Bytes large = PatternBytes(kMaxKb * 1024 + 1, 5);
  const std::string missingParent =
      scratch_.Path() + "none" + platform::kPathSeparator + "deeper" + platform::kPathSeparator;
  const std::string sep = platform::kPathSeparator;
  platform::MakeDirectory(DataFolder().c_str());
  platform::MakeDirectory((scratch_.Path() + "x").c_str());
  const std::string dataAgain = scratch_.Path() + "x" + sep + ".." + sep + "kvel" + sep;
  const struct Case {
    const char* name;
    const Bytes* data;
    OfferOrigin origin;
    uint32_t uin;
    std::string folder;  // empty: the fixture's
    bool refuseWrites;   // nothing can be created in the folder
    const char* log;     // the line's start; null: no line
    const char* offered = "f.bin";
    std::optional<uint64_t> freeInFolder = std::nullopt;
  } cases[] = {
      {"TooLarge", &large, kFromHome, kPeer, "", false,
       "autoaccept asks: peer=1001 reason=too-large maxkb=256"},
      {"FromAnotherAddress", &small, kFromOther, kPeer, "", false,
       "autoaccept asks: peer=1001 reason=other-address from=127.0.0.2 announced=127.0.0.1"},
      {"NotListed", &small, kFromHome, 1002, "", false, nullptr},
      {"FolderCannotBeMade", &small, kFromHome, kPeer, missingParent, false,
       "autoaccept asks: peer=1001 reason=no-folder folder="},
      {"FolderCannotBeWritten", &small, kFromHome, kPeer, "", true,
       "autoaccept asks: peer=1001 reason=no-access folder="},
      // The image cache trusts its files' names: none lands there.
      {"TheDataFolderSpeltAnotherWay", &small, kFromHome, kPeer, dataAgain, false,
       "autoaccept asks: peer=1001 reason=data-folder folder="},
      {"ANameOfTheImageCache", &small, kFromHome, kPeer, "", false,
       "autoaccept asks: peer=1001 reason=cache-name", "IMGCACHE_1001_5_7"},
      // The chosen folder's room cannot be told: it is taken there.
      {"NoRoomInTheFolder", &small, kFromHome, kPeer, "", false,
       "autoaccept asks: peer=1001 reason=no-room needed=1310720 free=1310719 folder=", "f.bin",
       1310719},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Configure(c.folder.empty() ? Folder() : c.folder);
    side_.refuseCreateIn = c.refuseWrites ? Folder() : "";
    side_.freeSpace = [&](const std::string& folder) {
      return folder == Folder() ? c.freeInFolder : std::nullopt;
    };
    log_.clear();
    std::filesystem::remove(scratch_.File("chosen.bin"));
    const StreamRun run = Receive(Stream(c.offered, *c.data), c.origin, c.uin);
    // Asked as today: the question, the save dialog, the file where chosen.
    EXPECT_TRUE(run.done);
    EXPECT_EQ(run.dialogs, (std::vector<std::string>{"question", "save"}));
    EXPECT_FALSE(run.facts.takenWithoutAsking);
    EXPECT_EQ(run.facts.path, scratch_.File("chosen.bin"));
    std::string saved;
    ASSERT_TRUE(testing::ReadFile(scratch_.File("chosen.bin"), &saved));
    EXPECT_EQ(saved, Text(*c.data));
    if (c.log == nullptr) {
      EXPECT_TRUE(log_.empty());
    } else {
      ASSERT_EQ(log_.size(), 1u);
      EXPECT_EQ(log_[0].substr(0, std::string(c.log).size()), c.log);
    }
    EXPECT_TRUE(InFolder().empty());
  }
}

TEST_F(FileAutoAcceptTest, PastTheBurstAContactsFilesAreAsked) {
  const Bytes data = PatternBytes(10, 6);
  for (size_t i = 0; i < kAutoAcceptBurst; ++i) {
    const StreamRun run = Receive(Stream("n.txt", data));
    ASSERT_TRUE(run.dialogs.empty()) << i;
  }
  EXPECT_EQ(InFolder().size(), kAutoAcceptBurst);
  const StreamRun asked = Receive(Stream("n.txt", data));
  EXPECT_EQ(asked.dialogs, (std::vector<std::string>{"question", "save"}));
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_EQ(log_[0], "autoaccept asks: peer=1001 reason=too-many files=20 ms=60000");
  // A minute on, files come unasked again.
  now_ += kAutoAcceptWindowMs;
  EXPECT_TRUE(Receive(Stream("n.txt", data)).dialogs.empty());
}

TEST_F(FileAutoAcceptTest, ACutFileIsKeptAndGoneOnFromWithoutTheSecondQuestion) {
  const Bytes data = PatternBytes(200000, 7);
  const Bytes stream = Stream("film.bin", data);
  // Cut after 150000 bytes of data; the next is asked for a window less.
  const StreamRun cut = Receive(stream, kFromHome, kPeer, kOfferBytes + 12 * 37 + 150000);
  const uint32_t asked = 150000 - kResumeWindow;
  EXPECT_FALSE(cut.done);
  EXPECT_EQ(cut.facts.note, EndNote::PartKept);
  EXPECT_EQ(InFolder().size(), 2u);  // the part and its record, no file
  // The same offer again: the rest is asked for, with no question at all.
  const StreamRun resumed = Receive(testing::GoldenStream("film.bin", data, asked));
  EXPECT_TRUE(resumed.done);
  EXPECT_TRUE(resumed.dialogs.empty());
  EXPECT_EQ(resumed.Written(), Reply(wire::kReplyAccept, asked));
  EXPECT_EQ(InFolder(), std::vector<std::string>{"film.bin"});
  EXPECT_EQ(Content("film.bin"), Text(data));
  EXPECT_TRUE(side_.keptParts.Free().empty());
}

TEST_F(FileAutoAcceptTest, ABrokenFileLeavesNothingAndFreesItsName) {
  const Bytes data = PatternBytes(5000, 8);
  // The sender's last chunk falls short of the announced size.
  Bytes stream = testing::GoldenOffer("b.bin", data.size() + 1);
  const Bytes chunks = testing::GoldenChunks(data);
  stream.insert(stream.end(), chunks.begin(), chunks.end());
  const StreamRun broken = Receive(stream);
  EXPECT_FALSE(broken.done);
  EXPECT_TRUE(InFolder().empty());
  EXPECT_TRUE(broken.facts.takenWithoutAsking);
  // The next offer of the name gets it.
  EXPECT_EQ(Receive(Stream("b.bin", data)).facts.path, Folder() + "b.bin");
}

TEST_F(FileAutoAcceptTest, AMoveThatFailsIsAFailureToSaveNotAnotherName) {
  side_.failMove = true;
  const StreamRun run = Receive(Stream("m.bin", PatternBytes(100, 9)));
  EXPECT_FALSE(run.done);
  EXPECT_EQ(run.facts.note, EndNote::CannotReplace);
  EXPECT_TRUE(InFolder().empty());
  EXPECT_EQ(side_.moved.size(), 1u);
}

}  // namespace
}  // namespace kvel::transfers
