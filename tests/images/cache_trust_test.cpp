// Which cache files are trusted without being read: the names of the cache,
// the verification of files an earlier version left, and the marker that
// lets later runs trust every file by its name and size.
#include "images/cache_trust.h"

#include "image_fixture.h"
#include "images/image_cache.h"
#include "wait_until.h"
#include "wire/image_crc.h"

namespace kvel::images {
namespace {

TEST(CacheFileNames, OnlyTheNamesTheCacheWritesStandForImages) {
  struct Case {
    const char* name;
    std::optional<wire::ImageId> image;
  } cases[] = {
      {"imgcache_1234567_20480_-268435456", wire::ImageId{1234567, 20480, 0xF0000000u}},
      {"imgcache_-1_-2147483648_0", wire::ImageId{0xFFFFFFFFu, 0x80000000u, 0}},
      {"imgcache_0_0_-1", wire::ImageId{0, 0, 0xFFFFFFFFu}},
      {"imgcache_1_2_3.part", std::nullopt},
      {"imgcache_01_2_3", std::nullopt},
      {"imgcache_+1_2_3", std::nullopt},
      {"imgcache_-0_2_3", std::nullopt},
      {"imgcache_1_2", std::nullopt},
      {"imgcache_1_2_3_4", std::nullopt},
      {"imgcache__2_3", std::nullopt},
      {"imgcache_1_2_2147483648", std::nullopt},
      {"imgcache_1_2_99999999999", std::nullopt},
      {"imgcache_1_2_-", std::nullopt},
      {"imgcache.verified", std::nullopt},
      {"IMGCACHE_1_2_3", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<wire::ImageId> image = ParseCacheFileName(c.name);
    EXPECT_EQ(image.has_value(), c.image.has_value());
    if (!image || !c.image) continue;
    EXPECT_EQ(*image, *c.image);
    EXPECT_EQ(CacheFileName(image->uin, image->size, image->checksum), c.name);
  }
}

class CacheTrustTest : public ImageTest {
 protected:
  // Writes `bytes` into the cache as image (uin, size, checksum).
  void Put(uint32_t uin, uint32_t size, uint32_t checksum, const std::vector<uint8_t>& bytes) {
    testing::WriteFile(ImageCachePath(dataPath_, uin, size, checksum),
                       std::string(bytes.begin(), bytes.end()));
  }
  bool Exists(uint32_t uin, uint32_t size, uint32_t checksum) {
    return testing::FileExists(ImageCachePath(dataPath_, uin, size, checksum));
  }
  // Once every file is verified, any name is trusted, even one of no image.
  static bool WaitAllVerified(const CacheTrust& trust) {
    return e2e::WaitUntil([&] { return trust.Trusted("notes.txt"); }, 10000, 1);
  }
};

// Files an older version left: each is verified once, off the host's
// thread, and only those that match their names stay.
TEST_F(CacheTrustTest, FilesOfAnEarlierVersionAreVerifiedOnceThenTrusted) {
  const std::vector<uint8_t> image = Pattern(3000, 2);
  const uint32_t good = Checksum(image);
  Put(1, 3000, good, image);                                                      // whole and right
  Put(2, 3000, good, std::vector<uint8_t>(image.begin(), image.begin() + 1024));  // a part
  std::vector<uint8_t> spoiled = image;
  spoiled[2999] ^= 1;
  Put(3, 3000, good, spoiled);     // other bytes
  Put(4, 0, wire::kCrcStart, {});  // empty, and right
  testing::WriteFile(dataPath_ + "notes.txt", "not an image");
  testing::WriteFile(dataPath_ + "imgcache_05_3000_1", "not a name the cache writes");

  // Before verification nothing is trusted, whatever its size.
  CacheTrust trust;
  EXPECT_FALSE(IsImageCached(trust, dataPath_, 1, 3000, good));
  trust.Start(dataPath_);
  ASSERT_TRUE(WaitAllVerified(trust));
  EXPECT_TRUE(IsImageCached(trust, dataPath_, 1, 3000, good));
  EXPECT_TRUE(IsImageCached(trust, dataPath_, 4, 0, wire::kCrcStart));
  EXPECT_FALSE(Exists(2, 3000, good));
  EXPECT_FALSE(Exists(3, 3000, good));
  EXPECT_TRUE(testing::FileExists(dataPath_ + "notes.txt"));
  EXPECT_TRUE(testing::FileExists(dataPath_ + "imgcache_05_3000_1"));
  EXPECT_TRUE(testing::FileExists(dataPath_ + kVerifiedMarker));
}

// With the marker, the name and the size are all a check looks at: a file
// changed behind the cache's back is not read again.
TEST_F(CacheTrustTest, WithTheMarkerNameAndSizeAreEnough) {
  const std::vector<uint8_t> image = Pattern(500, 3);
  const uint32_t checksum = Checksum(image);
  Put(1, 500, checksum, std::vector<uint8_t>(500, 'x'));
  Put(2, 500, checksum, std::vector<uint8_t>(499, 'x'));
  testing::WriteFile(dataPath_ + kVerifiedMarker, "");
  CacheTrust trust;
  trust.Start(dataPath_);
  EXPECT_TRUE(trust.Trusted("notes.txt"));
  EXPECT_TRUE(IsImageCached(trust, dataPath_, 1, 500, checksum));
  EXPECT_FALSE(IsImageCached(trust, dataPath_, 2, 500, checksum));  // the size differs
  EXPECT_TRUE(Exists(1, 500, checksum));  // nothing was verified, nothing removed
}

// An image this side stores was checked as it came: it is trusted at once,
// before any verification, and a stale file under its name makes way.
TEST_F(CacheTrustTest, AnImageStoredNowIsTrustedAtOnce) {
  const std::vector<uint8_t> image = Pattern(60, 9);
  const uint32_t checksum = Checksum(image);
  Put(42, 60, checksum, std::vector<uint8_t>(60, 'x'));
  CacheTrust trust;
  EXPECT_FALSE(IsImageCached(trust, dataPath_, 42, 60, checksum));
  EXPECT_EQ(StoreImagePart(trust, dataPath_, 42, 60, checksum, true, image), PartOutcome::Complete);
  EXPECT_TRUE(IsImageCached(trust, dataPath_, 42, 60, checksum));
  EXPECT_EQ(FileBytes(ImageCachePath(dataPath_, 42, 60, checksum)), image);
  // A later verification keeps it.
  trust.Start(dataPath_);
  ASSERT_TRUE(WaitAllVerified(trust));
  EXPECT_TRUE(IsImageCached(trust, dataPath_, 42, 60, checksum));
}

TEST_F(CacheTrustTest, WithoutADirectoryNothingStartsAndNothingIsTrusted) {
  CacheTrust trust;
  trust.Start("");
  trust.Stop();
  EXPECT_FALSE(trust.Trusted("imgcache_1_2_3"));
}

}  // namespace
}  // namespace kvel::images
