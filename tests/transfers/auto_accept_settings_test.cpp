// The values of [autoaccept]: what well-formed ones make, and every
// malformed form turning the whole section off with its reason.
#include "transfers/auto_accept/auto_accept_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvel::transfers {
namespace {

#ifdef _WIN32
const std::string kDir = "C:\\Odebrane", kSep = "\\";
#else
const std::string kDir = "/srv/odebrane", kSep = "/";
#endif

TEST(AutoAcceptSettings, WellFormedValues) {
  const struct Case {
    std::string uins, maxkb, dir;
    std::vector<uint32_t> trusted;
    uint32_t maxKb;
    std::string folder;
  } cases[] = {
      {"", "", "", {}, 10240, ""},
      {" 1002 ,\t1001,1002 ", "", "", {1001, 1002}, 10240, ""},
      {"4294967295", "4194304", "", {4294967295u}, 4194304, ""},
      // The documented example, comments and all.
      {"1001,1002     ; GG numbers",
       "10240        ; larger",
       "     ; folder; empty: ...",
       {1001, 1002},
       10240,
       ""},
      {"0001001", "1", kDir + kSep + kSep + " ; mine", {1001}, 1, kDir + kSep},
      // A ';' after no blank is part of the folder's name.
      {"1", "", kDir + ";x", {1}, 10240, kDir + ";x" + kSep},
  };
  for (const Case& c : cases) {
    const AutoAcceptParse parse = ParseAutoAccept(c.uins, c.maxkb, c.dir);
    EXPECT_EQ(parse.problem, "") << c.uins;
    EXPECT_EQ(parse.settings.uins, c.trusted) << c.uins;
    EXPECT_EQ(parse.settings.maxKb, c.maxKb) << c.uins;
    EXPECT_EQ(parse.settings.folder, c.folder) << c.uins;
  }
}

TEST(AutoAcceptSettings, AnyMalformedValueTurnsTheSectionOffAndSaysWhy) {
  std::string many;
  for (int i = 1; i <= 257; ++i) many += std::to_string(i) + ",";
  many.pop_back();
  const std::string data = kDir + kSep;
  struct Case {
    std::string uins, maxkb, dir;
    std::string problem;
  };
  std::vector<Case> cases = {
      {"1001,,1002", "", "", "uins: not a GG number: "},
      {"1001,", "", "", "uins: not a GG number: "},
      {many, "", "", "uins: more numbers than 256"},
      {"1", "", "odebrane", "dir: not an absolute folder: odebrane"},
      {"1", "", kDir + "*", "dir: holds a character no folder can: " + kDir + "*"},
      {"1", "", kDir + "\x01", "dir: holds a character no folder can: " + kDir + "\x01"},
      {"1", "", kDir + kSep + std::string(247 - kDir.size(), 'a'),
       "dir: longer than 247 characters"},
      // kvel's own folder holds the image cache, trusted by its names.
      {"1", "", data, "dir: kvel's own data folder"},
      {"1", "", kDir, "dir: kvel's own data folder"},
  };
  // A value that is itself named in the reason.
  for (std::string bad : {"10a1", "1001;1002", "1001 1002", "0", "+5", "4294967296"})
    cases.push_back({bad, "", "", "uins: not a GG number: " + bad});
  for (std::string bad : {"0", "4194305", "10 MB", "0x100"})
    cases.push_back({"1", bad, "", "maxkb: not a whole number from 1 to 4194304: " + bad});
  for (const Case& c : cases) {
    const AutoAcceptParse parse = ParseAutoAccept(c.uins, c.maxkb, c.dir, data);
    EXPECT_EQ(parse.problem, c.problem);
    EXPECT_FALSE(parse.settings.On()) << c.problem;
  }
  // One character shorter is a folder.
  EXPECT_EQ(ParseAutoAccept("1", "", kDir + kSep + std::string(246 - kDir.size(), 'a')).problem,
            "");
}

}  // namespace
}  // namespace kvel::transfers
