// The move that never replaces: the last step of a file taken without the
// question, which must not overwrite one that appeared at its name.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "support/test_paths.h"

namespace kvel::platform {
namespace {

TEST(MoveFileNew, MovesOnlyOntoAFreeName) {
  const struct Case {
    const char* name;
    bool sourceThere;
    std::string atTarget;  // "file", "folder" or nothing
    bool moved;
    ErrorKind kind;
  } cases[] = {
      {"FreeName", true, "", true, ErrorKind::None},
      {"FileThere", true, "file", false, ErrorKind::Exists},
      {"FolderThere", true, "folder", false, ErrorKind::Exists},
      {"NoSource", false, "", false, ErrorKind::NoFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::ScratchDir dir;
    const std::string from = dir.File("part"), to = dir.File("target");
    if (c.sourceThere) testing::WriteFile(from, "new");
    if (c.atTarget == "file") testing::WriteFile(to, "old");
    if (c.atTarget == "folder") std::filesystem::create_directory(to);
    Error error;
    EXPECT_EQ(MoveFileNew(from.c_str(), to.c_str(), &error), c.moved);
    EXPECT_EQ(error.kind, c.kind);
    std::string content;
    if (c.moved) {
      EXPECT_FALSE(testing::FileExists(from));
      ASSERT_TRUE(testing::ReadFile(to, &content));
      EXPECT_EQ(content, "new");
      continue;
    }
    // Both as they were.
    EXPECT_EQ(testing::FileExists(from), c.sourceThere);
    if (c.atTarget == "file") {
      ASSERT_TRUE(testing::ReadFile(to, &content));
      EXPECT_EQ(content, "old");
    }
  }
}

}  // namespace
}  // namespace kvel::platform
