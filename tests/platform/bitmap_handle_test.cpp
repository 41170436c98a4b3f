// An owned bitmap is deleted exactly once, by whichever handle owns it last.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "platform/bitmap_handle.h"

namespace kvel::platform {
namespace {

Bitmap Fake(uintptr_t n) {
  return reinterpret_cast<Bitmap>(n);
}

struct LifeCase {
  const char* name;
  std::function<void(const BitmapHandle::Deleter& remove)> life;
  std::vector<Bitmap> deleted;
};

TEST(BitmapHandle, DeletesEachBitmapOnce) {
  const LifeCase cases[] = {
      {"empty", [](auto&) { BitmapHandle handle; }, {}},
      {"a failed load", [](auto& remove) { BitmapHandle handle(nullptr, remove); }, {}},
      {"destroyed", [](auto& remove) { BitmapHandle handle(Fake(1), remove); }, {Fake(1)}},
      {"reset twice",
       [](auto& remove) {
         BitmapHandle handle(Fake(1), remove);
         handle.Reset();
         handle.Reset();
       },
       {Fake(1)}},
      {"released",
       [](auto& remove) {
         BitmapHandle handle(Fake(1), remove);
         EXPECT_EQ(handle.Release(), Fake(1));
       },
       {}},
      {"moved",
       [](auto& remove) {
         BitmapHandle source(Fake(1), remove);
         BitmapHandle target(std::move(source));
         EXPECT_EQ(source.Get(), nullptr);
       },
       {Fake(1)}},
      {"moved over another",
       [](auto& remove) {
         BitmapHandle target(Fake(1), remove);
         target = BitmapHandle(Fake(2), remove);
         EXPECT_EQ(target.Get(), Fake(2));
       },
       {Fake(1), Fake(2)}},
  };
  for (const LifeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bitmap> deleted;
    c.life([&deleted](Bitmap bitmap) { deleted.push_back(bitmap); });
    EXPECT_EQ(deleted, c.deleted);
  }
}

}  // namespace
}  // namespace kvel::platform
