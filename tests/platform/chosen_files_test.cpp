// What the open dialog's answer names, read from a buffer of exactly its
// length, so that a read past it shows under the sanitizers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/chosen_files.h"

namespace kvel::platform {
namespace {

using Paths = std::vector<std::string>;
using namespace std::string_literals;

// `bytes` in a buffer of its own, no byte more.
Paths Chosen(const std::string& bytes) {
  std::unique_ptr<char[]> exact(new char[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), exact.get());
  return ChosenFiles({exact.get(), bytes.size()});
}

TEST(ChosenFiles, ReadsOneFileOrAFolderWithItsNames) {
  const struct {
    const char* name;
    std::string answer;
    Paths paths;
  } cases[] = {
      {"one file", "C:\\dane\\a.txt\0\0"s, {"C:\\dane\\a.txt"}},
      {"one file and the buffer's zeros", "C:\\a.txt\0\0\0\0\0"s, {"C:\\a.txt"}},
      {"one file, its NUL the buffer's last byte", "C:\\a.txt\0"s, {"C:\\a.txt"}},
      {"several",
       "C:\\dane\0a.txt\0b.bin\0c\0\0"s,
       {"C:\\dane\\a.txt", "C:\\dane\\b.bin", "C:\\dane\\c"}},
      {"names with spaces",
       "C:\\Moje pliki\0zdj\xEA"
       "cie 1.jpg\0 lead and trail \0\0"s,
       {"C:\\Moje pliki\\zdj\xEA"
        "cie 1.jpg",
        "C:\\Moje pliki\\ lead and trail "}},
      {"a folder at the root", "C:\\\0a\0b\0\0"s, {"C:\\a", "C:\\b"}},
      {"a folder of slashes", "/tmp/d\0a\0b\0\0"s, {"/tmp/d/a", "/tmp/d/b"}},
      {"a long name",
       "C:\\d\0"s + std::string(255, 'n') + "\0x\0\0"s,
       {"C:\\d\\" + std::string(255, 'n'), "C:\\d\\x"}},
      {"nothing", "\0\0"s, {}},
      {"an empty buffer", ""s, {}},
      {"cut in the path", "C:\\dane\\a.t"s, {}},
      {"cut in the first name", "C:\\dane\0a.t"s, {}},
      {"cut in a later name", "C:\\dane\0a.txt\0b.b"s, {"C:\\dane\\a.txt"}},
      {"cut before the last NUL",
       "C:\\dane\0a.txt\0b.bin\0"s,
       {"C:\\dane\\a.txt", "C:\\dane\\b.bin"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Chosen(c.answer), c.paths);
  }
}

TEST(ChosenFiles, AHundredNamesComeBackInTheirOrder) {
  std::string answer =
      "D:\\zdj\xEA"
      "cia"s +
      '\0';
  Paths expected;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "IMG " + std::to_string(i) + ".jpg";
    answer += name + '\0';
    expected.push_back(
        "D:\\zdj\xEA"
        "cia\\" +
        name);
  }
  answer += '\0';
  EXPECT_EQ(Chosen(answer), expected);
}

}  // namespace
}  // namespace kvel::platform
