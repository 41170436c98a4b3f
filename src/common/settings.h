// The settings read from "kvel.config" at LoadPlugin. They hold their
// defaults until then; nothing is ever written back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvel {

struct Settings {
  uint16_t localPort = 1560;
  char externIp[16] = "0.0.0.0";
  uint16_t externPort = 0;
  uint16_t iconMask = 15;
  // [p2p] upnp: map localPort on the home router (1) or not (0).
  bool upnp = true;
};

// The section [autoaccept]: whose files are taken without the question, up
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
