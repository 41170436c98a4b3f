// One transfer in a registry of its own, agreed with its contact: what a
// connection thread hands the file-transfer stream, for tests that run the
// stream without one.
#pragma once

#include <cstdint>

#include "transfers/registry/transfer_registry.h"

namespace kvel::testing {

struct LoneTransfer {
  explicit LoneTransfer(uint32_t uin = 4321,
                        transfers::TransferDirection direction = transfers::Receive)
      : handle(registry.Begin(uin, direction)) {
    handle.Agree(uin, "Ala", direction);
  }
  transfers::Transfer Read() const { return handle.Read(); }

  transfers::TransferRegistry registry{[] { return 0u; }};
  transfers::TransferHandle handle;
};

}  // namespace kvel::testing
