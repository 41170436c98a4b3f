// The native settings reader against the platform's own private-profile
// reading: the same files must give the same values.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/profile_grammar.h"
#include "support/test_paths.h"

namespace kvel::platform::profile {
namespace {

struct Lookup {
  const char* section;
  const char* key;
};

const Lookup kLookups[] = {
    {"p2p", "local-port"}, {"p2p", "extern-ip"}, {"p2p", "extern-port"}, {"cl", "icons"},
    {"P2P", "LOCAL-PORT"}, {"Cl", "Icons"},      {"p2p", "missing"},     {"none", "icons"},
};

struct FileCase {
  const char* name;
  std::string content;
};

std::vector<FileCase> Cases() {
  std::vector<FileCase> cases = {
      {"Empty", ""},
      {"Defaults", "[p2p]\nlocal-port=1560\nextern-ip=0.0.0.0\nextern-port=0\n[cl]\nicons=15\n"},
      {"MissingKeys", "[p2p]\nextern-port=7\n"},
      {"ClOnly", "[cl]\nicons=8\n"},
      {"Signs", "[p2p]\nlocal-port=+2000\nextern-port=-1\n[cl]\nicons=-0\n"},
      {"LeadingBlanks", "[p2p]\n   local-port =   \t 2001\nextern-ip=\t 10.0.0.1\n"},
      {"NotNumbers", "[p2p]\nlocal-port=abc\nextern-port=12abc\n[cl]\nicons= x1\n"},
      {"HexLooking", "[p2p]\nlocal-port=0x10\nextern-port=0X10\n[cl]\nicons=010\n"},
      {"Bases", "[p2p]\nlocal-port=0b101\nextern-port=0o17\n[cl]\nicons=0x\n"},
      {"Port40000", "[p2p]\nlocal-port=40000\nextern-port=99999\n"},
      {"LongExternIp", "[p2p]\nextern-ip=123.123.123.123.45\n"},
      {"QuotedValues", "[p2p]\nextern-ip=\"1.2.3.4\"\nlocal-port='77'\n[cl]\nicons=\"\n"},
      {"DuplicateKeys", "[p2p]\nlocal-port=1\nlocal-port=2\n[cl]\nicons=3\n[p2p]\nextern-port=4\n"},
      {"OtherCases", "[P2p]\nLocal-Port=3000\nEXTERN-IP=1.1.1.1\n[CL]\nICONS=1\n"},
      {"CommentsAndBlanks",
       "; settings\n\n[p2p]\n;local-port=1\n\n#extern-port=9\nlocal-port=5\n\n\n[cl]\n; x\n"},
      {"CrLf", "[p2p]\r\nlocal-port=6\r\n\r\n[cl]\r\nicons=2\r\n"},
      {"KeyWithoutValue", "[p2p]\nlocal-port\nextern-ip\nextern-port=\n[cl]\nicons =\n"},
      {"BrokenSection", "[p2p\nlocal-port=8\n[cl]x\nicons=4\n"},
      {"KeysBeforeSections", "local-port=9\n[p2p]\n"},
      {"LongLine", "[p2p]\nlocal-port=" + std::string(5000, '7') +
                       "\nextern-ip=" + std::string(3000, 'a') + "\n"},
      {"WhitespaceAroundSection", "  [ p2p ]  \nlocal-port=11\n[p2p]\nlocal-port=12\n"},
  };
  std::string binary;
  for (int i = 1; i < 512; ++i) binary += static_cast<char>((i * 37) & 0x7F);
  cases.push_back({"Binary", "[p2p]\nlocal-port=4\n" + binary + "\nextern-port=5\n"});
  return cases;
}

TEST(ProfileDifferential, NativeReaderMatchesThePlatform) {
  testing::ScratchDir dir;
  int index = 0;
  for (const FileCase& c : Cases()) {
    // A fresh name per case keeps the platform's profile cache out of it.
    std::string path = dir.File("case" + std::to_string(index++) + ".ini");
    testing::WriteFile(path, c.content);
    for (const Lookup& lookup : kLookups) {
      SCOPED_TRACE(std::string(c.name) + " [" + lookup.section + "] " + lookup.key);
      for (int fallback : {1560, 15, 0, -5}) {
        UINT platform = GetPrivateProfileIntA(lookup.section, lookup.key, fallback, path.c_str());
        EXPECT_EQ(ReadInt(c.content, lookup.section, lookup.key, fallback), platform);
      }
      for (size_t size : {size_t{16}, size_t{4}, size_t{1}}) {
        char expected[16] = {};
        char actual[16] = {};
        DWORD n = GetPrivateProfileStringA(lookup.section, lookup.key, "0.0.0.0", expected,
                                           static_cast<DWORD>(size), path.c_str());
        size_t m = ReadString(c.content, lookup.section, lookup.key, "0.0.0.0", actual, size);
        EXPECT_STREQ(actual, expected) << "size " << size;
        EXPECT_EQ(m, n) << "size " << size;
      }
    }
  }
  // A missing file.
  std::string missing = dir.File("missing.ini");
  EXPECT_EQ(GetPrivateProfileIntA("p2p", "local-port", 1560, missing.c_str()), 1560u);
  EXPECT_EQ(ReadInt("", "p2p", "local-port", 1560), 1560u);
}

}  // namespace
}  // namespace kvel::platform::profile
