// The state pictures as the host receives them from kvel.tpl: pixels read
// back from the bitmap handles in the icon records. Set KVEL_ICON_DIR to keep
// the pictures as .bmp files for a look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "contact_list_icons.h"
#include "gg/test_packets.h"
#include "support/plugin_fixture.h"

namespace kvel::gg {
namespace {
using namespace gg::testing;

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}

Rgb Pixel(const standin::IconPicture& picture, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(picture.pixelWidth) + x) * 3;
  return {picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]};
}

TEST(IconPictures, MonitorAndStateDiscOnTheTransparentColour) {
  kvel::testing::LoadedPlugin plugin(/*start=*/false);
  standin::ContactListIcons icons(plugin.Host());
  plugin.Host().AddContact({0x601, "Ala", "1001", 3});
  plugin.Start();
  struct State {
    uint16_t port;
    const char* name;
    Rgb disc;
  } states[] = {
      {0, "state0_no_direct", {255, 0, 0}},
      {1, "state1_ask_to_call", {255, 169, 51}},
      {2, "state2_not_listed", {140, 140, 140}},
      {1550, "state3_direct", {102, 204, 51}},
  };
  const char* keep = std::getenv("KVEL_ICON_DIR");
  const Rgb magenta = {255, 0, 255};
  const Rgb black = {0, 0, 0};
  for (const State& s : states) {
    Bytes packet = Packet(15, StatusEntryBytes(1001, 2, Ip(127, 0, 0, 1), s.port));
    plugin.Host().DeliverGGEvent(4, packet);
    std::optional<standin::IconPicture> picture = icons.Current(0x601);
    ASSERT_TRUE(picture) << s.name;
    ASSERT_EQ(picture->pixelWidth, 16) << s.name;
    ASSERT_EQ(picture->pixelHeight, 16) << s.name;
    // Background in the corners the pictures leave free.
    EXPECT_EQ(Pixel(*picture, 0, 0), magenta) << s.name;
    EXPECT_EQ(Pixel(*picture, 15, 0), magenta) << s.name;
    EXPECT_EQ(Pixel(*picture, 0, 15), magenta) << s.name;
    EXPECT_EQ(Pixel(*picture, 8, 8), magenta) << s.name;  // outside the disc's round corner
    // The monitor in the upper left: a dark frame around a lit screen.
    EXPECT_EQ(Pixel(*picture, 0, 1), (Rgb{64, 64, 64})) << s.name;
    EXPECT_EQ(Pixel(*picture, 4, 4), (Rgb{96, 160, 224})) << s.name;
    // The 8 x 8 disc in the lower right: black outline, state colour inside.
    EXPECT_EQ(Pixel(*picture, 10, 8), black) << s.name;
    EXPECT_EQ(Pixel(*picture, 8, 11), black) << s.name;
    EXPECT_EQ(Pixel(*picture, 15, 12), black) << s.name;
    EXPECT_EQ(Pixel(*picture, 12, 15), black) << s.name;
    for (int y = 10; y <= 13; ++y) {
      for (int x = 10; x <= 13; ++x) EXPECT_EQ(Pixel(*picture, x, y), s.disc) << s.name;
    }
    if (keep != nullptr) {
      EXPECT_TRUE(icons.SaveBmp(0x601, std::string(keep) + "\\" + s.name + ".bmp"));
    }
  }
}

}  // namespace
}  // namespace kvel::gg
