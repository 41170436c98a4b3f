#include "images/image_cache.h"

#include "image_fixture.h"

namespace kvel::images {
namespace {

using ImageCacheTest = ImageTest;

// (The names themselves: CacheFileNames.OnlyTheNamesTheCacheWritesStandForImages.)
TEST_F(ImageCacheTest, UsesADirectoryOnlyWhenEveryNameFitsThePathLimit) {
  // The longest name, three numbers of 11 characters and ".part" while the
  // image is assembled, fills 49 characters.
  const std::string fits = std::string(kMaxCachePath - 49 - 1, 'd') + platform::kPathSeparator;
  EXPECT_EQ(ImageCachePath(fits, 0x80000000u, 0x80000000u, 0x80000000u).size(), kMaxCachePath - 5);
  EXPECT_EQ(ImageCachePath(fits.substr(1) + "dd", 1, 2, 3), "");
}

TEST_F(ImageCacheTest, WithoutADataDirectoryStoresAndFindsNothing) {
  EXPECT_EQ(ImageCachePath("", 1, 2, 3), "");
  EXPECT_EQ(StoreImagePart(trust_, "", 1, 2, 3, true, Pattern(2)), PartOutcome::Discarded);
  EXPECT_FALSE(IsImageCached(trust_, "", 1, 2, 3));
  // Nothing is written relative to the current directory.
  EXPECT_FALSE(testing::FileExists("imgcache_1_2_3"));
  EXPECT_FALSE(testing::FileExists("imgcache_1_2_3.part"));
}

// Parts of one image as a peer might send them, and what the cache makes of
// them. Each case starts with an empty cache.
TEST_F(ImageCacheTest, TakesAnImageOnlyWhenWholeAndMatching) {
  const std::vector<uint8_t> image = Pattern(1524);
  const uint32_t good = Checksum(image);
  const std::span<const uint8_t> all(image);
  struct Part {
    bool first;
    std::vector<uint8_t> data;
    PartOutcome outcome;
  };
  const std::vector<uint8_t> a(all.begin(), all.begin() + 1024), b(all.begin() + 1024, all.end());
  using enum PartOutcome;
  struct Case {
    const char* name;
    uint32_t size;
    uint32_t checksum;
    bool cached;
    std::vector<Part> parts;
  } cases[] = {
      {"two parts", 1524, good, true, {{true, a, Incomplete}, {false, b, Complete}}},
      {"one part too many",
       1524,
       good,
       false,
       {{true, a, Incomplete}, {false, a, Discarded}, {false, b, Discarded}}},
      {"wrong checksum", 1524, good ^ 1, false, {{true, a, Incomplete}, {false, b, Discarded}}},
      {"later part without a first", 1524, good, false, {{false, b, Discarded}}},
      {"first part restarts",
       1524,
       good,
       true,
       {{true, b, Incomplete}, {true, a, Incomplete}, {false, b, Complete}}},
      {"empty first part", 1524, good, true, {{true, {}, Incomplete}, {false, image, Complete}}},
      // Sizes read as negative numbers used to complete after any part.
      {"size 0x80000000", 0x80000000u, good, false, {{true, a, Discarded}}},
      {"size 0xFFFFFFFF", 0xFFFFFFFFu, good, false, {{true, a, Discarded}}},
      {"size above the limit", kMaxImageSize + 1, good, false, {{true, a, Discarded}}},
      {"size 0", 0, wire::kCrcStart, false, {{true, {}, Discarded}}},
  };
  uint32_t uin = 100;
  for (const Case& c : cases) {
    ++uin;
    for (size_t i = 0; i < c.parts.size(); ++i) {
      const Part& part = c.parts[i];
      EXPECT_EQ(StoreImagePart(trust_, dataPath_, uin, c.size, c.checksum, part.first, part.data),
                part.outcome)
          << c.name << " part " << i;
      // Until it is whole, nothing lies under the name the chat window shows.
      if (part.outcome != PartOutcome::Complete) {
        EXPECT_FALSE(IsImageCached(trust_, dataPath_, uin, c.size, c.checksum))
            << c.name << " part " << i;
        EXPECT_FALSE(testing::FileExists(ImageCachePath(dataPath_, uin, c.size, c.checksum)))
            << c.name;
      }
      if (part.outcome == PartOutcome::Discarded) {
        EXPECT_FALSE(
            testing::FileExists(ImageCachePath(dataPath_, uin, c.size, c.checksum) + ".part"))
            << c.name;
      }
    }
    EXPECT_EQ(IsImageCached(trust_, dataPath_, uin, c.size, c.checksum), c.cached) << c.name;
    if (c.cached) {
      EXPECT_EQ(FileBytes(ImageCachePath(dataPath_, uin, c.size, c.checksum)), image) << c.name;
    }
  }
}

// (A stale file under an image's name: CacheTrustTest.AnImageStoredNowIsTrustedAtOnce.)
TEST_F(ImageCacheTest, APartThatCannotBeWrittenIsDiscarded) {
  const std::string missing = scratch_.File("missing") + platform::kPathSeparator;
  EXPECT_EQ(StoreImagePart(trust_, missing, 42, 100, 3, true, Pattern(1)), PartOutcome::Discarded);
}

}  // namespace
}  // namespace kvel::images
