// A transfer window that lists nothing: for file procedures run by a test
// whose transfers nobody looks at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "transfers/transfer_window.h"

namespace kvel::testing {

class NoTransferWindow final : public transfers::TransferWindow {
 public:
  void AddTransfer(platform::Socket, uint32_t, transfers::TransferDirection,
                   const std::string&) override {}
  void SetTransferFile(platform::Socket, const char*, int64_t, int64_t) override {}
  void AddProgress(platform::Socket, int64_t) override {}
  std::optional<transfers::TaskInfo> RemoveTransfer(platform::Socket) override { return std::nullopt; }
};

}  // namespace kvel::testing
