// The values of [autoaccept]: what each well-formed one makes, and every
// malformed form turning the whole section off with its reason.
#include "transfers/auto_accept_settings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace kvel::transfers {
namespace {

#ifdef _WIN32
constexpr char kFolder[] = "C:\\Odebrane";
constexpr char kFolderRead[] = "C:\\Odebrane\\";
#else
constexpr char kFolder[] = "/srv/odebrane";
constexpr char kFolderRead[] = "/srv/odebrane/";
#endif

TEST(AutoAcceptSettings, WellFormedValues) {
  const struct Case {
    const char* name;
    std::string uins, maxkb, dir;
    std::vector<uint32_t> trusted;
    uint32_t maxKb;
    std::string folder;
  } cases[] = {
      {"Missing", "", "", "", {}, kDefaultAutoAcceptKb, ""},
      {"Listed", "1001,1002", "", "", {1001, 1002}, kDefaultAutoAcceptKb, ""},
      {"BlanksAroundItems", " 1002 ,\t1001 ", "", "", {1001, 1002}, kDefaultAutoAcceptKb, ""},
      {"RepeatsAndOrder", "7,3,7,3", "", "", {3, 7}, kDefaultAutoAcceptKb, ""},
      {"LargestNumber", "4294967295", "", "", {4294967295u}, kDefaultAutoAcceptKb, ""},
      {"InlineComments",
       "1001,1002     ; GG numbers",
       "10240        ; larger offers",
       "               ; folder for them; empty: ...",
       {1001, 1002},
       10240,
       ""},
      {"MaxKbBounds", "1", "1", "", {1}, 1, ""},
      {"MaxKbLargest", "1", "4194304", "", {1}, kMaxAutoAcceptKb, ""},
      {"LeadingZeros", "0001001", "0010", "", {1001}, 10, ""},
      {"Folder", "1", "", kFolder, {1}, kDefaultAutoAcceptKb, kFolderRead},
      {"FolderWithSeparators",
       "1",
       "",
       std::string(kFolder) + "//",
       {1},
       kDefaultAutoAcceptKb,
       kFolderRead},
      {"FolderWithComment",
       "1",
       "",
       std::string(kFolder) + " ; mine",
       {1},
       kDefaultAutoAcceptKb,
       kFolderRead},
      // A ';' that follows no blank is part of the name.
      {"SemicolonInFolder",
       "1",
       "",
       std::string(kFolder) + ";x",
       {1},
       kDefaultAutoAcceptKb,
       std::string(kFolder) + ";x" + kFolderRead[sizeof kFolderRead - 2]},
      // Only numbers make it on; the rest is read all the same.
      {"NoNumbersOff", "", "20", "", {}, 20, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AutoAcceptParse parse = ParseAutoAccept(c.uins, c.maxkb, c.dir);
    EXPECT_EQ(parse.problem, "");
    EXPECT_EQ(parse.settings.uins, c.trusted);
    EXPECT_EQ(parse.settings.maxKb, c.maxKb);
    EXPECT_EQ(parse.settings.folder, c.folder);
    EXPECT_EQ(parse.settings.On(), !c.trusted.empty());
  }
}

TEST(AutoAcceptSettings, AnyMalformedValueTurnsTheSectionOffAndSaysWhy) {
  std::string many;
  for (int i = 1; i <= 257; ++i) many += std::to_string(i) + ",";
  many.pop_back();
  std::string enough;
  for (int i = 1; i <= 256; ++i) enough += std::to_string(i) + ",";
  enough.pop_back();
  const std::string deep = std::string(kFolder) + kFolderRead[sizeof kFolderRead - 2] +
                           std::string(kMaxAutoAcceptFolder, 'a');
  const struct Case {
    std::string uins, maxkb, dir;
    const char* problem;  // empty: well formed after all
  } cases[] = {
      {"10a1", "", "", "uins: not a GG number: 10a1"},
      {"1001;1002", "", "", "uins: not a GG number: 1001;1002"},
      {"1001 1002", "", "", "uins: not a GG number: 1001 1002"},
      {"1001,,1002", "", "", "uins: not a GG number: "},
      {"1001,", "", "", "uins: not a GG number: "},
      {",1001", "", "", "uins: not a GG number: "},
      {"0", "", "", "uins: not a GG number: 0"},
      {"-5", "", "", "uins: not a GG number: -5"},
      {"+5", "", "", "uins: not a GG number: +5"},
      {"4294967296", "", "", "uins: not a GG number: 4294967296"},
      {"99999999999999999999999", "", "", "uins: not a GG number: 99999999999999999999999"},
      {many, "", "", "uins: more numbers than 256"},
      {enough, "", "", ""},
      {"1", "0", "", "maxkb: not a whole number from 1 to 4194304: 0"},
      {"1", "4194305", "", "maxkb: not a whole number from 1 to 4194304: 4194305"},
      {"1", "10 MB", "", "maxkb: not a whole number from 1 to 4194304: 10 MB"},
      {"1", "0x100", "", "maxkb: not a whole number from 1 to 4194304: 0x100"},
      {"1", "-1", "", "maxkb: not a whole number from 1 to 4194304: -1"},
      {"1", "", "odebrane", "dir: not an absolute folder: odebrane"},
      {"1", "", "..\\odebrane", "dir: not an absolute folder: ..\\odebrane"},
      {"1", "", std::string(kFolder) + "*", "dir: holds a character no folder can: "},
      {"1", "", std::string(kFolder) + "|x", "dir: holds a character no folder can: "},
      {"1", "", std::string(kFolder) + "\x01", "dir: holds a character no folder can: "},
      {"1", "", deep, "dir: longer than 247 characters"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uins.substr(0, 40) + " | " + c.maxkb + " | " + c.dir.substr(0, 40));
    const AutoAcceptParse parse = ParseAutoAccept(c.uins, c.maxkb, c.dir);
    const std::string expected = c.problem;
    if (expected.empty()) {
      EXPECT_EQ(parse.problem, "");
      EXPECT_TRUE(parse.settings.On());
      continue;
    }
    EXPECT_EQ(parse.problem.substr(0, expected.size()), expected);
    EXPECT_FALSE(parse.settings.On());
    EXPECT_TRUE(parse.settings.folder.empty());
  }
}

TEST(AutoAcceptSettings, KvelsOwnDataFolderIsNoFolderForPeersFiles) {
  const std::string data =
      std::string(kFolderRead) + "Profil" + kFolderRead[sizeof kFolderRead - 2];
  std::string shouted = data;
  for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& dir : {data, data.substr(0, data.size() - 1), shouted}) {
    const AutoAcceptParse parse = ParseAutoAccept("1", "", dir, data);
    EXPECT_EQ(parse.problem, "dir: kvel's own data folder") << dir;
    EXPECT_FALSE(parse.settings.On());
  }
  EXPECT_EQ(ParseAutoAccept("1", "", data + "odebrane", data).problem, "");
}

TEST(AutoAcceptSettings, AFolderAtTheLengthLimitIsTaken) {
  std::string folder = std::string(kFolder) + kFolderRead[sizeof kFolderRead - 2];
  folder += std::string(kMaxAutoAcceptFolder - folder.size(), 'a');
  const AutoAcceptParse parse = ParseAutoAccept("1", "", folder);
  EXPECT_EQ(parse.problem, "");
  EXPECT_EQ(parse.settings.folder.size(), kMaxAutoAcceptFolder + 1);
}

}  // namespace
}  // namespace kvel::transfers
