// The plug-in's one transfer window, made by LoadPlugin and destroyed by
// UnloadPlugin, while connection threads may be calling it at any moment.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "transfers/transfer_window.h"
#include "platform/sockets.h"
#include "ui/progress_win.h"

namespace kvel::ui {

// Holds at most one ProgressWin. Every operation is safe from any thread and
// does nothing while no window exists; Destroy lets the calls under way
// finish first (serving their window messages meanwhile).
class WindowHolder final : public transfers::TransferWindow {
 public:
  WindowHolder() = default;
  ~WindowHolder() override;  // destroys a window that still exists
  WindowHolder(const WindowHolder&) = delete;
  WindowHolder& operator=(const WindowHolder&) = delete;

  // Creates the window (hidden) from the resources of `module` on the
  // calling thread, which then serves its messages; one that still exists
  // is destroyed first.
  void Create(void* module);
  // Destroys the window; call on the thread that created it.
  void Destroy();
  bool Exists() const;

  void AddTransfer(platform::Socket socket, uint32_t uin, transfers::TransferDirection direction,
                   const std::string& contact) override;
  void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                       int64_t doneBytes) override;
  void AddProgress(platform::Socket socket, int64_t bytes) override;
  std::optional<transfers::TaskInfo> RemoveTransfer(platform::Socket socket) override;
  // The stop button's action on the transfer of `socket`; false when not
  // listed.
  bool StopTransfer(platform::Socket socket);

 private:
  class Use;

  // The window, and the calls that may be using it counted in one of two
  // slots by the epoch they entered in. Destroy clears the pointer, moves to
  // the next epoch and waits only for the calls of the epoch it left, so
  // calls that keep coming can never hold it up. No lock: connection threads
  // calling all the time never starve the window's thread.
  std::atomic<ProgressWin*> window_{nullptr};
  std::atomic<uint32_t> epoch_{0};
  std::atomic<int> users_[2] = {0, 0};
};

}  // namespace kvel::ui
