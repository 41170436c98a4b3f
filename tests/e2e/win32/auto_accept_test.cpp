// Files of a trusted contact between two hosts: the receiving host's
// kvel.config trusts the sender for files up to 64 KB. Smaller ones arrive
// with no question in the folder "odebrane" under their own names, a second
// of the same name beside the first; a larger one is asked as any other.
// The receiving host records the files its desktop is asked to open.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "two_hosts.h"
#include "world_files.h"

namespace kvel::e2e {
namespace {

class EndToEndAutoAccept : public TwoHosts {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartHosts(-1, -1, "[autoaccept]\r\nuins=1001\r\nmaxkb=64\r\n"));
    ASSERT_TRUE(a_->WaitFor("contacts", "icon=green")) << a_->Command("contacts");
    ASSERT_TRUE(b_->WaitFor("contacts", "icon=green")) << b_->Command("contacts");
  }
  std::string Folder() { return b_->Profile() + "kvel\\odebrane\\"; }
  std::vector<std::string> InFolder() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ignored))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(EndToEndAutoAccept, SmallFilesComeUnaskedUnderFreeNames) {
  // The first: no question, its own name, the row marked as received.
  const std::string first = Path("notes.kvtest");
  MakeFile(first, 40000, 21);
  Send(first);
  ASSERT_TRUE(WaitForSize(Folder() + "notes.kvtest", 40000)) << Seen();
  EXPECT_EQ(FileSha256(Folder() + "notes.kvtest"), FileSha256(first));
  EXPECT_TRUE(b_->WaitFor("rows", "odebrano")) << Seen();
  EXPECT_TRUE(b_->WaitFor("log", "outcome=done taken-without-asking")) << Seen();
  // While it is listed, its tip is its whole path, and a double click asks
  // the desktop to open that very file.
  EXPECT_EQ(b_->Command("tip 0"), "ok tip " + Folder() + "notes.kvtest") << Seen();
  EXPECT_EQ(b_->Command("opens"), "ok opens");
  EXPECT_EQ(b_->Command("open-row 0"), "ok") << Seen();
  EXPECT_TRUE(b_->WaitFor("opens", "ok opens\n  " + Folder() + "notes.kvtest")) << Seen();

  // The second, of the same name from another folder: beside the first.
  const std::string secondFolder = Path("other\\");
  std::filesystem::create_directory(secondFolder);
  const std::string second = secondFolder + "notes.kvtest";
  MakeFile(second, 30000, 22);
  Send(second);
  ASSERT_TRUE(WaitForSize(Folder() + "notes (2).kvtest", 30000)) << Seen();
  EXPECT_EQ(FileSha256(Folder() + "notes (2).kvtest"), FileSha256(second));
  EXPECT_EQ(FileSha256(Folder() + "notes.kvtest"), FileSha256(first));

  // Neither was asked, and nothing else lies in the folder.
  EXPECT_EQ(b_->Command("dialogs"), "ok dialogs") << Seen();
  EXPECT_TRUE(b_->WaitFor("rows", "ok rows 0")) << Seen();
  EXPECT_EQ(InFolder(), (std::vector<std::string>{"notes (2).kvtest", "notes.kvtest"}));
  EXPECT_EQ(CountOf(b_->Command("opens"), "\n  "), 1u) << "opened by itself";
  EXPECT_TRUE(a_->WaitFor("rows", "ok rows 0")) << Seen();
}

// Three files picked at once in one open dialog, each with its own
// connection and outcome: the two within maxkb come unasked, side by side,
// while the third, above it, is asked as any other, and the log says why.
TEST_F(EndToEndAutoAccept, ThreeFilesPickedAtOnceTwoTakenWithoutAsking) {
  const std::string picked = Path("picked"), saved = Path("saved\\");
  std::filesystem::create_directory(picked);
  std::filesystem::create_directory(saved);
  const struct {
    const char* name;
    uint64_t size;
    bool asked;
  } files[] = {{"one.bin", 60000, false}, {"two.bin", 5, false}, {"three.bin", 300000, true}};
  for (const auto& file : files) MakeFile(picked + "\\" + file.name, file.size, 31);
  b_->Command("answer yes");
  b_->Command("save \"" + saved + "\"");
  ASSERT_EQ(a_->Command("open-many \"" + picked + "\" one.bin two.bin three.bin"), "ok");
  ASSERT_NE(a_->Command("click kvel/send 1002").find("ok clicked"), std::string::npos);
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const std::string target = (file.asked ? saved : Folder()) + file.name;
    ASSERT_TRUE(WaitForSize(target, file.size)) << Seen();
    EXPECT_EQ(FileSha256(target), FileSha256(picked + "\\" + file.name));
    EXPECT_TRUE(
        a_->WaitFor("log", "send peer=1002 bytes=" + std::to_string(file.size) + " outcome=done"))
        << Seen();
  }
  // One open dialog for the three, one question for the one asked.
  EXPECT_EQ(CountOf(a_->Command("dialogs"), "\n  file "), 1u) << Seen();
  const std::string dialogs = b_->Command("dialogs");
  EXPECT_EQ(CountOf(dialogs, "\n  question "), 1u) << Seen();
  EXPECT_NE(dialogs.find("three.bin"), std::string::npos) << Seen();
  EXPECT_EQ(CountOf(b_->Command("log"), "taken-without-asking"), 2u) << Seen();
  EXPECT_NE(b_->Command("log").find("autoaccept asks: peer=1001 reason=too-large maxkb=64"),
            std::string::npos)
      << Seen();
  EXPECT_EQ(InFolder(), (std::vector<std::string>{"one.bin", "two.bin"}));
}

}  // namespace
}  // namespace kvel::e2e
