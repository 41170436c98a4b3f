// The settings read from "kvel.config" at LoadPlugin. They hold their
// defaults until then; nothing is ever written back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvel {

// The most a speed limit can be, in KB/s (4 GiB/s); a larger value, or a
// negative one, sets none.
inline constexpr uint32_t kMaxSpeedLimitKb = 4u << 20;

struct Settings {
  uint16_t localPort = 1560;
  char externIp[16] = "0.0.0.0";
  uint16_t externPort = 0;
  uint16_t iconMask = 15;
  // The most KB/s (1024 bytes) all transfers together move each way; 0: no limit.
  uint32_t speedLimitKb = 0;
  // [p2p] upnp: map localPort on the home router (1) or not (0).
  bool upnp = true;
};

// The section [autoaccept]: whose files are taken without asking, up
// to which size, into which folder. Off (no number listed) by default. Kept
// apart from Settings, which the protocol hook copies at every packet.
struct AutoAcceptSettings {
  std::vector<uint32_t> uins;  // ascending, each once; empty: off
  uint32_t maxKb = 10240;      // larger offers are asked
  // Ends with a separator; empty: the "odebrane" folder in the data
  // directory.
  std::string folder;

  bool On() const { return !uins.empty(); }
};

}  // namespace kvel
