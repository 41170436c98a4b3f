// An image from A to B inside GG messages: offered, requested, answered in
// parts, cached byte for byte and shown in both chat windows; announced
// again, it shows at once with no request.
#include <gtest/gtest.h>

#include <string>

#include "world_files.h"
#include "images/image_checksum.h"
#include "world.h"

namespace kvel::e2e {
namespace {

size_t ImageRequests(World& world) {
  size_t count = 0;
  for (const auto& message : world.Server().RelayedMessages()) {
    if (message.sender == 1002 && message.messageClass == 4 && message.body.size() > 1 &&
        message.body[1] == 4) {
      ++count;
    }
  }
  return count;
}

TEST(EndToEnd, ImageIsFetchedCachedAndShownAtBothEnds) {
  World world;
  HostProcess& a = world.AddHost({1001, FreePort(), {{1002, "Bolek"}}, ""});
  HostProcess& b = world.AddHost({1002, FreePort(), {{1001, "Alek"}}, ""});
  ASSERT_TRUE(a.Started() && b.Started());
  const std::string image = world.Scratch() + "picture.bmp";
  MakeFile(image, 2500, 7);
  const uint32_t checksum = images::ImageChecksum(image.c_str());
  const std::string cached =
      b.Profile() + "kvel\\imgcache_1001_2500_" + std::to_string(static_cast<int32_t>(checksum));

  a.Command("open \"" + image + "\"");
  ASSERT_NE(a.Command("click kvel/sendimage 1002 chat").find("ok clicked"), std::string::npos);
  ASSERT_TRUE(b.WaitFor("chat 1001", "<img")) << b.Command("chat 1001") << a.Command("dialogs");
  EXPECT_EQ(FileSha256(cached), FileSha256(image));
  EXPECT_EQ(ImageRequests(world), 1u);
  std::string shownAtB = b.Command("chat 1001");
  EXPECT_NE(shownAtB.find("flags=65 sender=1001 name=\"Alek\""), std::string::npos) << shownAtB;
  EXPECT_NE(shownAtB.find("imgcache_1001_2500_"), std::string::npos);
  std::string shownAtA = a.Command("chat 1002");
  EXPECT_NE(shownAtA.find("flags=66 sender=1001 name=\"1001\""), std::string::npos) << shownAtA;
  EXPECT_NE(shownAtA.find("picture.bmp"), std::string::npos);

  // The same image again: shown from the cache, no second request.
  a.Command("open \"" + image + "\"");
  a.Command("click kvel/sendimage 1002 chat");
  ASSERT_TRUE(a.WaitFor("chat 1002", "picture.bmp\"></div>\n", 20000));
  EXPECT_TRUE(b.WaitFor("chat 1001", "imgcache_1001_2500_", 20000));
  WaitUntil([&] { return CountOf(b.Command("chat 1001"), "<img") >= 2; }, 5000, 50);
  EXPECT_EQ(CountOf(b.Command("chat 1001"), "<img"), 2u);
  EXPECT_EQ(ImageRequests(world), 1u);
}

}  // namespace
}  // namespace kvel::e2e
