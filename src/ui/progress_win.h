// The transfer window: the table of running transfers and its dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/sockets.h"
#include "ui/transfer_table.h"
#include "ui/transfer_view.h"

namespace kvel::ui {

// The one transfer window: the table, and the dialog that shows it (none in
// the native build). The dialog lives on the thread that constructed the
// object; the operations run on connection threads and reach the dialog by
// synchronous window messages, never holding the table's lock.
class ProgressWin {
 public:
  using TaskInfo = ui::TaskInfo;

  // The dialog comes from the resources of `module` (the plug-in's).
  ProgressWin(TransferTable::Clock clock, void* module);
  ~ProgressWin();  // destroys the dialog; call on the dialog's thread
  ProgressWin(const ProgressWin&) = delete;
  ProgressWin& operator=(const ProgressWin&) = delete;

  // Lists a transfer at the top (replacing one under the same socket) and
  // shows the window. The row shows the peer as `contact`.
  void AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction,
                   const std::string& contact);
  void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                       int64_t doneBytes);
  void AddProgress(platform::Socket socket, int64_t bytes);
  // Takes the row away, then the entry; hides the window when none is left.
  // Returns the entry as it was, nothing when the socket was not listed.
  std::optional<TaskInfo> RemoveTransfer(platform::Socket socket);

  // The stop button: shuts the socket down in both directions while it is
  // still listed, so that its connection thread's next read or write fails,
  // and marks it as stopped by the user. The connection thread alone closes
  // it. False when it was not listed.
  bool StopTransfer(platform::Socket socket);

  TransferTable& Table() { return table_; }
  TransferView& View() { return view_; }

 private:
  TransferTable table_;
  TransferView view_;
};

// Creates the process-wide window (hidden) from the resources of `module`;
// LoadPlugin's last step. A window that still exists is destroyed first.
void CreateProgressWin(void* module);
// Destroys it; UnloadPlugin's first step. Calls that are under way finish
// first (their window messages are served meanwhile); later transfer calls
// do nothing.
void DestroyProgressWin();
bool ProgressWinExists();

// The operations of the process-wide window, keyed by the transfer's socket.
// Safe from any thread; they do nothing when no window exists.
void AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction,
                 const std::string& contact);
void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                     int64_t doneBytes);
void AddProgress(platform::Socket socket, int64_t bytes);
// The entry as it was; nothing when no window exists or it was not listed.
std::optional<TaskInfo> RemoveTransfer(platform::Socket socket);
// The stop button's action on the transfer of `socket`; false when not listed.
bool StopTransfer(platform::Socket socket);

}  // namespace kvel::ui
