#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

#include "p2p/offered_name.h"

namespace kvel::p2p {
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

}  // namespace
}  // namespace kvel::p2p
