// The transfer window as the connections see it: it lists each transfer by
// its socket while the transfer runs and shows its file and progress. The
// plug-in binds the real window; tests bind their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "transfers/transfer_table.h"
#include "platform/sockets.h"

namespace kvel::transfers {

class TransferWindow {
 public:
  virtual ~TransferWindow() = default;
  // Lists a transfer (replacing one under the same socket); the row shows
  // the peer as `contact`.
  virtual void AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction,
                           const std::string& contact) = 0;
  virtual void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                               int64_t doneBytes) = 0;
  virtual void AddProgress(platform::Socket socket, int64_t bytes) = 0;
  // Takes the transfer away; the entry as it was, nothing when it was not
  // listed.
  virtual std::optional<TaskInfo> RemoveTransfer(platform::Socket socket) = 0;
};

}  // namespace kvel::transfers
