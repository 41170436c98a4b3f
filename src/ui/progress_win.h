// The transfer window: the table of running transfers and its dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/sockets.h"
#include "transfers/transfer_table.h"
#include "transfers/transfer_window.h"
#include "ui/transfer_view.h"

namespace kvel::ui {

// The one transfer window: the table, and the dialog that shows it (none in
// the native build). The dialog lives on the thread that constructed the
// object; the operations run on connection threads and reach the dialog by
// synchronous window messages, never holding the table's lock.
class ProgressWin final : public transfers::TransferWindow {
 public:
  // The dialog comes from the resources of `module` (the plug-in's).
  ProgressWin(transfers::TransferTable::Clock clock, void* module);
  ~ProgressWin() override;  // destroys the dialog; call on the dialog's thread
  ProgressWin(const ProgressWin&) = delete;
  ProgressWin& operator=(const ProgressWin&) = delete;

  // Lists a transfer at the top (replacing one under the same socket) and
  // shows the window. The row shows the peer as `contact`.
  void AddTransfer(platform::Socket socket, uint32_t uin, transfers::TransferDirection direction,
                   const std::string& contact) override;
  void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                       int64_t doneBytes) override;
  void AddProgress(platform::Socket socket, int64_t bytes) override;
  // Takes the row away, then the entry; hides the window when none is left.
  // Returns the entry as it was, nothing when the socket was not listed.
  std::optional<transfers::TaskInfo> RemoveTransfer(platform::Socket socket) override;

  // The stop button: shuts the socket down in both directions while it is
  // still listed, so that its connection thread's next read or write fails,
  // and marks it as stopped by the user. The connection thread alone closes
  // it. False when it was not listed.
  bool StopTransfer(platform::Socket socket);

  transfers::TransferTable& Table() { return table_; }
  TransferView& View() { return view_; }

 private:
  transfers::TransferTable table_;
  TransferView view_;
};

}  // namespace kvel::ui
