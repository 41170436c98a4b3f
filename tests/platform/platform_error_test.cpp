// Failures at the platform boundary name the operation and carry the
// platform's code and what it means to the user; a success leaves the error
// as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/files.h"
#include "support/test_paths.h"

namespace kvel::platform {
namespace {

// (A move that fails: FileErrors.SayWhatTheUserCanActOn.)
TEST(MoveFileOver, ReplacesTheTargetAndLeavesTheErrorAlone) {
  testing::ScratchDir dir;
  const std::string from = dir.File("part");
  const std::string to = dir.File("whole");
  testing::WriteFile(from, "new");
  testing::WriteFile(to, "old");
  Error untouched{"untouched", 0};
  EXPECT_TRUE(MoveFileOver(from.c_str(), to.c_str(), &untouched));
  EXPECT_STREQ(untouched.operation, "untouched");
  std::string content;
  ASSERT_TRUE(testing::ReadFile(to, &content));
  EXPECT_EQ(content, "new");
  EXPECT_FALSE(PathExists(from.c_str()));
}

TEST(FileErrors, SayWhatTheUserCanActOn) {
  testing::ScratchDir dir;
  const std::string there = dir.File("there"), none = dir.File("none");
  testing::WriteFile(there, "x");
  const struct Case {
    const char* name;
    std::function<bool(Error*)> call;
    const char* operation;
    ErrorKind kind;
  } cases[] = {
      {"create over a file", [&](Error* e) { return CreateNewFile(there.c_str(), e).Valid(); },
       "create", ErrorKind::Exists},
      {"create in no folder",
       [&](Error* e) { return CreateNewFile((none + kPathSeparator + "f").c_str(), e).Valid(); },
       "create", ErrorKind::NoFolder},
      {"move of nothing",
       [&](Error* e) { return MoveFileOver(none.c_str(), dir.File("to").c_str(), e); }, "move",
       ErrorKind::NoFolder},
  };
  for (const Case& c : cases) {
    Error error;
    EXPECT_FALSE(c.call(&error)) << c.name;
    EXPECT_STREQ(error.operation, c.operation) << c.name;
    EXPECT_NE(error.code, 0) << c.name;
    EXPECT_EQ(error.kind, c.kind) << c.name;
  }
}

}  // namespace
}  // namespace kvel::platform
