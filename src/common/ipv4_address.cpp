#include "common/ipv4_address.h"

namespace kvel {
namespace {

// The address's bytes in the order they are written: a.b.c.d.
struct Octets {
  uint8_t a, b, c, d;
};

Octets OctetsOf(uint32_t address) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&address);
  return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

}  // namespace

std::string AddressText(uint32_t address) {
  const Octets o = OctetsOf(address);
  return std::to_string(o.a) + "." + std::to_string(o.b) + "." + std::to_string(o.c) + "." +
         std::to_string(o.d);
}

AddressKind KindOf(uint32_t address) {
  if (address == 0) return AddressKind::Unspecified;
  const Octets o = OctetsOf(address);
  if (o.a == 127) return AddressKind::Loopback;
  if (o.a == 10 || (o.a == 172 && (o.b & 0xF0) == 16) || (o.a == 192 && o.b == 168))
    return AddressKind::Private;
  if (o.a == 100 && (o.b & 0xC0) == 64) return AddressKind::CarrierNat;
  if (o.a == 169 && o.b == 254) return AddressKind::LinkLocal;
  const bool reserved =
      o.a == 0 || o.a >= 224 || (o.a == 192 && o.b == 0 && o.c == 0) ||
      (o.a == 192 && o.b == 0 && o.c == 2) || (o.a == 198 && (o.b & 0xFE) == 18) ||
      (o.a == 198 && o.b == 51 && o.c == 100) || (o.a == 203 && o.b == 0 && o.c == 113);
  return reserved ? AddressKind::Reserved : AddressKind::Public;
}

bool BehindRouter(AddressKind kind) {
  return kind == AddressKind::Unspecified || kind == AddressKind::Private ||
         kind == AddressKind::CarrierNat || kind == AddressKind::LinkLocal;
}

}  // namespace kvel
