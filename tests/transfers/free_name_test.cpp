// The names a file taken without the question may be saved under: numbered
// before the extension, cut to the path limit, never a name the platform
// would keep otherwise. Choosing among them is tested through the stream.
#include "transfers/auto_accept/free_name.h"

#include <gtest/gtest.h>

#include <string>

#include "transfers/kept/part_names.h"

namespace kvel::transfers {
namespace {

TEST(NumberedPath, NumbersGoBeforeTheExtensionAndCutsFitThePath) {
  const std::string f = "C:\\Odebrane\\";
  const std::string deep = "C:\\" + std::string(247, 'd') + "\\";  // 8 characters left
  const std::string longName = std::string(251, 'n') + ".bin";
  const struct Case {
    std::string folder, name;
    unsigned number;
    std::string path;  // empty: none
  } cases[] = {
      {f, "photo.jpg", 1, f + "photo.jpg"},
      {f, "photo.jpg", 999, f + "photo (999).jpg"},
      {f, "archive.tar.gz", 2, f + "archive.tar (2).gz"},
      {f, "README", 3, f + "README (3)"},
      {f, ".profile", 2, f + ".profile (2)"},
      {f, "x.0123456789abcde", 2, f + "x (2).0123456789abcde"},
      // A longer "extension" is part of the name.
      {f, "x.0123456789abcdef", 2, f + "x.0123456789abcdef (2)"},
      {f, longName, 2, f + std::string(239, 'n') + " (2).bin"},
      // In a shallow folder the entry's own limit of 255 binds first.
      {"C:\\", longName + "x.bin", 2, "C:\\" + std::string(247, 'n') + " (2).bin"},
      {deep, "a.bin", 1, deep + "a.bin"},
      {deep, "a.bin", 2, ""},
      // Cut, these would be the device "COM1.txt" and a name ending in a blank.
      {deep, "COM1XYZ.txt", 1, ""},
      {deep, "COM1XYZ.t", 1, deep + "COM1XY.t"},
      {deep, "abcdefg hij", 1, ""},
      {f, "a.b.", 2, ""},
      {f, "photo.jpg", 0, ""},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> path = NumberedPath(c.folder, c.name, c.number);
    EXPECT_EQ(path.value_or(""), c.path) << c.name.substr(0, 20) << " " << c.number;
    if (path) {
      EXPECT_LE(path->size(), kMaxPathLength);
    }
  }
}

}  // namespace
}  // namespace kvel::transfers
