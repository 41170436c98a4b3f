// The transfer-window driver (win32): finds the plug-in's transfer window in this process
// and works it the way a person would, reading what the window shows back
// through the list view's own messages. Every call is a synchronous window
// message, so it works from any thread while the window's thread pumps, and
// from the window's own thread directly.
#pragma once

#include <string>
#include <vector>

#include "png_file.h"

namespace standin {

struct CellRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

class TransferWindowDriver {
 public:
  // Finds the transfer window (a dialog captioned "kvel") of this process;
  // Found() is false when there is none.
  TransferWindowDriver();
  bool Found() const { return dialog_ != nullptr; }
  void* Dialog() const { return dialog_; }
  void* List() const { return list_; }

  bool Visible() const;
  std::vector<std::string> ColumnHeaders() const;
  std::vector<int> ColumnWidths() const;
  // Whether every column shows whole: their widths together fit the list
  // view's client area as it is now (less its scroll bar when it shows one).
  bool ColumnsFit() const;
  // The width in pixels of `text` in the list view's font (LVM_GETSTRINGWIDTHA).
  int TextWidth(const std::string& text) const;
  int RowCount() const;
  // Every row's cell texts, column by column (LVM_GETITEMTEXTA).
  std::vector<std::vector<std::string>> Rows() const;
  // The row's lParam (the transfer's id in the registry) and its image index.
  long RowParam(int row) const;
  int RowImage(int row) const;
  // Selects a row (and sets the selection mark) or clears the selection.
  void SelectRow(int row) const;
  void ClearSelection() const;
  // Clicks "Przerwij"; presses the close box.
  void PressStop() const;
  void PressClose() const;
  // Double-clicks the row in its file cell, as the mouse does: the list
  // view tells the dialog.
  void DoubleClickRow(int row) const;
  // The tip the dialog gives for the row when the list view asks for one
  // (LVN_GETINFOTIPA, which the list view of Windows sends as the mouse
  // rests on a row, and Wine's never does): asked as the list view asks.
  std::string RowTip(int row) const;
  // The cell's rectangle in list-view client coordinates (LVIR_BOUNDS).
  CellRect SubItemRect(int row, int column) const;
  // Repaints now, then copies what the window shows: the whole window with
  // its frame, or the list view's client area.
  Image CaptureWindow() const;
  Image CaptureList() const;
  // The dialog's window and client sizes in pixels.
  CellRect WindowRect() const;
  CellRect ClientRect() const;
  CellRect ListClientRect() const;
  CellRect ControlRect(int id) const;  // in dialog client coordinates

 private:
  void* dialog_ = nullptr;
  void* list_ = nullptr;
};

}  // namespace standin
