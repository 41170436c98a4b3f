// Where the transfer window shows its rows: the dialog with its list view on
// Win32 (transfer_dialog_*.cpp), nothing natively, a recording fake in
// tests. The window calls it on its own thread only, but for Wake.
#pragma once

#include <memory>

#include "transfers/registry/transfer.h"

namespace kvel::ui {

class Screen {
 public:
  virtual ~Screen() = default;
  // A row for transfer `id` at the top; its cells ask the window for texts.
  virtual void InsertRow(transfers::TransferId id, transfers::TransferDirection direction) = 0;
  virtual void DeleteRow(transfers::TransferId id) = 0;
  // Paints the row again from the window's texts.
  virtual void RedrawRow(transfers::TransferId id) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Between these the window's thread calls TransferWindow::Tick every
  // kTickMs.
  virtual void StartTicks() = 0;
  virtual void StopTicks() = 0;
  // From any thread, at once: has the window's thread call Tick soon (a
  // posted message; never a sent one).
  virtual void Wake() = 0;
};

class TransferWindow;

// The platform's screen for `window`: the dialog made, hidden, on the calling
// thread from the resources of `module` (nothing natively).
std::unique_ptr<Screen> OpenDialog(TransferWindow& window, void* module);

}  // namespace kvel::ui
