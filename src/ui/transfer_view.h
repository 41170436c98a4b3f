// The dialog of the transfer window, as the table's side sees it. The win32
// build binds the real dialog (resource 101 with its list view); the native
// build binds one that shows nothing.
#pragma once

#include <cstdint>

#include "platform/sockets.h"
#include "transfers/transfer_table.h"

namespace kvel::ui {

class ProgressWin;

class TransferView {
 public:
  // Creates the dialog from the resources of `module`, hidden, on the
  // calling thread. The dialog reaches `owner` for cell texts, painting and
  // the stop button.
  TransferView(ProgressWin* owner, void* module);
  ~TransferView();  // destroys the dialog
  TransferView(const TransferView&) = delete;
  TransferView& operator=(const TransferView&) = delete;

  // Each is one synchronous message to the dialog's thread; callable from
  // any thread, and nothing when there is no dialog.
  void InsertRow(platform::Socket socket, transfers::TransferDirection direction);
  void RedrawRow(platform::Socket socket);
  void DeleteRow(platform::Socket socket);
  // Show only while the table lists a transfer, hide only while it lists
  // none (looked at on the dialog's thread).
  void Show();
  void Hide();

  // The dialog's window handle, null when there is none.
  void* Handle() const { return dialog_; }

  // Serves window messages that other threads send to this thread, for at
  // most `milliseconds`; used while waiting for them to finish.
  static void ServeSentMessages(uint32_t milliseconds);

 private:
  void* dialog_ = nullptr;
};

}  // namespace kvel::ui
