#include "gg/local_address.h"

namespace kvel::gg {
namespace {
// The first octet is the first byte in memory: addresses are in network order.
uint8_t FirstOctet(uint32_t address) {
  return reinterpret_cast<const uint8_t*>(&address)[0];
}
}  // namespace

uint32_t ChooseLocalAddress(const std::vector<uint32_t>& addresses) {
  if (addresses.empty()) return 0;
  for (size_t i = 1; i < addresses.size(); ++i) {
    if (FirstOctet(addresses[i]) & 1) return addresses[i];
  }
  return addresses.front();
}

}  // namespace kvel::gg
