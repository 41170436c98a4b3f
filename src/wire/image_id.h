// The identity of an exchanged image: the peer's GG number, the size and the
// checksum, as they travel in GG messages. Size and checksum are printed and
// compared as signed 32-bit numbers.
#pragma once

#include <cstdint>
#include <tuple>

namespace kvel::wire {

struct ImageId {
  uint32_t uin = 0;  // the peer: recipient of an offer, sender of a received image
  uint32_t size = 0;
  uint32_t checksum = 0;

  friend bool operator==(const ImageId&, const ImageId&) = default;
  friend bool operator<(const ImageId& a, const ImageId& b) {
    return std::tie(a.uin, a.size, a.checksum) < std::tie(b.uin, b.size, b.checksum);
  }
};

}  // namespace kvel::wire
