#include "images/image_cache.h"

#include "image_fixture.h"

namespace kvel::images {
namespace {

using ImageCacheTest = ImageTest;

TEST_F(ImageCacheTest, NamesFilesBySignedDecimals) {
  struct Case {
    uint32_t uin, size, checksum;
    const char* name;
  } cases[] = {
      {1234567, 20480, 0xF0000000u, "imgcache_1234567_20480_-268435456"},
      {0xFFFFFFFFu, 0x80000000u, 0, "imgcache_-1_-2147483648_0"},
      {7, 0, 0xFFFFFFFFu, "imgcache_7_0_-1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ImageCachePath(c.uin, c.size, c.checksum), dataPath_ + c.name);
  }
}

TEST_F(ImageCacheTest, UsesADirectoryOnlyWhenEveryNameFitsThePathLimit) {
  // The longest name, three numbers of 11 characters, fills 44 characters.
  const std::string fits = std::string(kMaxCachePath - 44 - 1, 'd') + platform::kPathSeparator;
  SetDataPath(fits);
  EXPECT_EQ(ImageCachePath(0x80000000u, 0x80000000u, 0x80000000u).size(), kMaxCachePath);
  SetDataPath(fits.substr(1) + "dd");
  EXPECT_EQ(ImageCachePath(1, 2, 3), "");
}

TEST_F(ImageCacheTest, WithoutADataDirectoryStoresAndFindsNothing) {
  SetDataPath("");
  EXPECT_EQ(ImageCachePath(1, 2, 3), "");
  EXPECT_FALSE(StoreImagePart(1, 2, 3, true, Pattern(2)));
  EXPECT_FALSE(IsImageCached(1, 2, 3));
  // Nothing is written relative to the current directory.
  EXPECT_FALSE(testing::FileExists("imgcache_1_2_3"));
}

TEST_F(ImageCacheTest, AssemblesPartsAndCompletesAtTheAnnouncedSize) {
  const std::vector<uint8_t> a = Pattern(1024, 1), b = Pattern(500, 2), c = Pattern(10, 3);
  EXPECT_FALSE(IsImageCached(42, 1524, 0x80000000u));
  EXPECT_FALSE(StoreImagePart(42, 1524, 0x80000000u, true, a));
  EXPECT_TRUE(IsImageCached(42, 1524, 0x80000000u));  // incomplete counts as cached
  EXPECT_TRUE(StoreImagePart(42, 1524, 0x80000000u, false, b));
  // A part after completion is appended all the same.
  EXPECT_TRUE(StoreImagePart(42, 1524, 0x80000000u, false, c));
  std::vector<uint8_t> expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  expected.insert(expected.end(), c.begin(), c.end());
  EXPECT_EQ(FileBytes(ImageCachePath(42, 1524, 0x80000000u)), expected);
  EXPECT_FALSE(IsImageCached(42, 1524, 0x80000001u));
}

TEST_F(ImageCacheTest, FirstPartStartsAnExistingFileAnew) {
  const std::vector<uint8_t> old = Pattern(300);
  testing::WriteFile(ImageCachePath(42, 100, 5), std::string(old.begin(), old.end()));
  EXPECT_FALSE(StoreImagePart(42, 100, 5, true, Pattern(60, 9)));
  EXPECT_EQ(FileBytes(ImageCachePath(42, 100, 5)), Pattern(60, 9));
  // A later part whose first part never came creates the file.
  EXPECT_TRUE(StoreImagePart(42, 10, 6, false, Pattern(10)));
  EXPECT_EQ(FileBytes(ImageCachePath(42, 10, 6)), Pattern(10));
}

TEST_F(ImageCacheTest, EmptyPartWritesNothingButStillTestsTheLength) {
  EXPECT_FALSE(StoreImagePart(42, 0, 1, true, {}));
  EXPECT_FALSE(IsImageCached(42, 0, 1));  // not created, not even for size 0
  ASSERT_TRUE(StoreImagePart(42, 20, 2, true, Pattern(20)));
  EXPECT_TRUE(StoreImagePart(42, 20, 2, true, {}));  // not emptied either
  EXPECT_EQ(FileBytes(ImageCachePath(42, 20, 2)), Pattern(20));
}

TEST_F(ImageCacheTest, ComparesSizesSignedAndNeverCompletesAFailedWrite) {
  // A huge size only means the image never completes; the file holds what came.
  EXPECT_FALSE(StoreImagePart(42, 0x7FFFFFFFu, 3, true, Pattern(10)));
  EXPECT_EQ(FileBytes(ImageCachePath(42, 0x7FFFFFFFu, 3)).size(), 10u);
  // A size with the top bit set is negative: any stored part completes it.
  EXPECT_TRUE(StoreImagePart(42, 0x80000000u, 3, true, Pattern(1)));
  // A part that cannot be written is incomplete whatever the size.
  SetDataPath(scratch_.File("missing") + platform::kPathSeparator);
  EXPECT_FALSE(StoreImagePart(42, 0x80000000u, 3, true, Pattern(1)));
  EXPECT_FALSE(StoreImagePart(42, 0x80000000u, 3, false, {}));
}

}  // namespace
}  // namespace kvel::images
