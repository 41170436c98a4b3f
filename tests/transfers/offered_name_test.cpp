#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "transfers/stream/offered_name.h"

namespace kvel::transfers {
namespace {

struct NameCase {
  std::string offered;
  std::string expected;
};

// Names the case in test listings: the offered name, %-escaped and short.
void PrintTo(const NameCase& c, std::ostream* out) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string label;
  for (unsigned char ch : c.offered.substr(0, 24)) {
    if (std::isalnum(ch) || ch == '.' || ch == '-' || ch == '_') {
      label += static_cast<char>(ch);
    } else {
      label += {'%', kHex[ch >> 4], kHex[ch & 15]};
    }
  }
  *out << (label.empty() ? "(empty)" : label) << (c.offered.size() > 24 ? "..." : "");
}

class OfferedNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(OfferedNameTest, BecomesAPlainSafeName) {
  EXPECT_EQ(SanitizeOfferedName(GetParam().offered), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    HostileAndPlainNames, OfferedNameTest,
    ::testing::Values(
        NameCase{"raport.pdf", "raport.pdf"},
        // Windows-1250 letters are names, not control characters.
        NameCase{"\xBF\xF3\xB3w.txt", "\xBF\xF3\xB3w.txt"},
        NameCase{"..\\..\\Windows\\system32\\evil.dll", "evil.dll"},
        NameCase{"../../etc/passwd", "passwd"}, NameCase{"C:\\autoexec.bat", "autoexec.bat"},
        NameCase{"C:evil.exe", "evil.exe"}, NameCase{"dir/sub\\x.txt", "x.txt"},
        NameCase{"\\\\server\\share\\a.txt", "a.txt"},
        NameCase{"a<b>c\"d|e?f*g.txt", "abcdefg.txt"}, NameCase{"tab\there\r\n.txt", "tabhere.txt"},
        NameCase{"del\x7F.txt", "del.txt"}, NameCase{"CON", "_CON"},
        NameCase{"con.txt", "_con.txt"}, NameCase{"Nul", "_Nul"},
        NameCase{"prn.tar.gz", "_prn.tar.gz"}, NameCase{"AUX .log", "_AUX .log"},
        NameCase{"COM1", "_COM1"}, NameCase{"lpt9.doc", "_lpt9.doc"}, NameCase{"COM0", "_COM0"},
        NameCase{"CONSOLE.txt", "CONSOLE.txt"}, NameCase{"COM10", "COM10"},
        NameCase{"x\\NUL", "_NUL"}, NameCase{"CON.", "_CON"}, NameCase{"name. . .", "name"},
        NameCase{".hidden", ".hidden"}, NameCase{".", "plik"}, NameCase{"..", "plik"},
        NameCase{"...", "plik"}, NameCase{"   ", "plik"}, NameCase{"", "plik"},
        NameCase{"dir\\", "plik"}, NameCase{"C:", "plik"}, NameCase{"<>|", "plik"},
        NameCase{std::string(300, 'a'), std::string(255, 'a')},
        NameCase{std::string(254, 'a') + ". b", std::string(254, 'a')}));

// Names that turn into a device only once cut to 255 bytes and trimmed, and
// the console devices.
INSTANTIATE_TEST_SUITE_P(
    DevicesUncoveredOrMissed, OfferedNameTest,
    ::testing::Values(NameCase{"CON" + std::string(253, ' ') + "x", "_CON"},
                      NameCase{"nul" + std::string(253, ' ') + "x", "_nul"},
                      NameCase{"prn" + std::string(252, '.') + "xy", "_prn"},
                      NameCase{"COM1" + std::string(260, ' ') + "x", "_COM1"},
                      NameCase{"aux.txt" + std::string(248, ' ') + "x", "_aux.txt"},
                      NameCase{"CONIN$", "_CONIN$"}, NameCase{"conout$", "_conout$"},
                      NameCase{"CONIN$.txt", "_CONIN$.txt"},
                      NameCase{"CONOUT$ .log", "_CONOUT$ .log"}, NameCase{"CONIN$x", "CONIN$x"},
                      // Superscript one, two and three count as digits.
                      NameCase{"COM\xB9", "_COM\xB9"}, NameCase{"com\xB2.txt", "_com\xB2.txt"},
                      NameCase{"LPT\xB3", "_LPT\xB3"}, NameCase{"lpt\xB9 .log", "_lpt\xB9 .log"},
                      NameCase{"COM\xB3" + std::string(252, ' ') + "x", "_COM\xB3"},
                      // Other superscripts and Latin letters do not.
                      NameCase{"COM\xBA", "COM\xBA"}, NameCase{"LPT\xB4.txt", "LPT\xB4.txt"},
                      NameCase{"COM\xB9\xB9", "COM\xB9\xB9"},
                      // Prefixing a 255-byte device name with an extension cuts its end.
                      NameCase{"con." + std::string(251, 'e'), "_con." + std::string(250, 'e')},
                      NameCase{"con." + std::string(250, 'e') + " ",
                               "_con." + std::string(250, 'e')}));

std::vector<std::string> CorpusNames() {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  for (const char* fuzzer : {"receive_stream_fuzzer", "protocol_hook_fuzzer"}) {
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(KVEL_FUZZ_CORPUS) / fuzzer)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), {}};
      // Every stretch of up to 300 bytes is a name some peer could offer.
      for (size_t at = 0; at < bytes.size(); ++at) names.push_back(bytes.substr(at, 300));
      names.push_back(bytes);
    }
  }
  return names;
}

TEST(OfferedName, IsAFixedPointOverTheFuzzCorpus) {
  const std::vector<std::string> names = CorpusNames();
  ASSERT_GT(names.size(), 1000u);
  for (const std::string& offered : names) {
    const std::string once = SanitizeOfferedName(offered);
    ASSERT_EQ(SanitizeOfferedName(once), once) << once;
    ASSERT_LE(once.size(), kMaxOfferedNameLength);
  }
}

}  // namespace
}  // namespace kvel::transfers
