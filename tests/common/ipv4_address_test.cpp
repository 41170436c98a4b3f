#include "common/ipv4_address.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace kvel {
namespace {

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const std::array<uint8_t, 4> bytes{a, b, c, d};
  uint32_t address;
  std::memcpy(&address, bytes.data(), sizeof address);
  return address;
}

TEST(Ipv4Address, TextIsDottedInWireOrder) {
  EXPECT_EQ(AddressText(Address(127, 0, 0, 2)), "127.0.0.2");
  EXPECT_EQ(AddressText(Address(255, 0, 10, 1)), "255.0.10.1");
}

TEST(Ipv4Address, KindsAtTheEdgesOfTheirBlocks) {
  struct Case {
    std::array<uint8_t, 4> bytes;
    AddressKind kind;
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, AddressKind::Unspecified},
      {{0, 0, 0, 1}, AddressKind::Reserved},
      {{127, 0, 0, 1}, AddressKind::Loopback},
      {{127, 255, 255, 255}, AddressKind::Loopback},
      {{10, 0, 0, 0}, AddressKind::Private},
      {{10, 255, 255, 255}, AddressKind::Private},
      {{172, 15, 255, 255}, AddressKind::Public},
      {{172, 16, 0, 0}, AddressKind::Private},
      {{172, 31, 255, 255}, AddressKind::Private},
      {{172, 32, 0, 0}, AddressKind::Public},
      {{192, 168, 1, 1}, AddressKind::Private},
      {{192, 169, 0, 1}, AddressKind::Public},
      {{100, 63, 255, 255}, AddressKind::Public},
      {{100, 64, 0, 0}, AddressKind::CarrierNat},
      {{100, 127, 255, 255}, AddressKind::CarrierNat},
      {{100, 128, 0, 0}, AddressKind::Public},
      {{169, 254, 3, 4}, AddressKind::LinkLocal},
      {{192, 0, 2, 7}, AddressKind::Reserved},
      {{198, 18, 0, 1}, AddressKind::Reserved},
      {{198, 20, 0, 1}, AddressKind::Public},
      {{203, 0, 113, 9}, AddressKind::Reserved},
      {{224, 0, 0, 251}, AddressKind::Reserved},
      {{255, 255, 255, 255}, AddressKind::Reserved},
      {{8, 8, 4, 4}, AddressKind::Public},
  };
  for (const Case& c : cases) {
    const uint32_t address = Address(c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]);
    EXPECT_EQ(KindOf(address), c.kind) << AddressText(address);
  }
}

TEST(Ipv4Address, OnlyHomeAndProviderSpacesMaySitBehindARouter) {
  EXPECT_TRUE(BehindRouter(AddressKind::Unspecified));
  EXPECT_TRUE(BehindRouter(AddressKind::Private));
  EXPECT_TRUE(BehindRouter(AddressKind::CarrierNat));
  EXPECT_TRUE(BehindRouter(AddressKind::LinkLocal));
  EXPECT_FALSE(BehindRouter(AddressKind::Loopback));
  EXPECT_FALSE(BehindRouter(AddressKind::Public));
  EXPECT_FALSE(BehindRouter(AddressKind::Reserved));
}

}  // namespace
}  // namespace kvel
