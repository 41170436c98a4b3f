#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "all_windows.h"
#include "transfer_window_driver.h"

namespace standin {
namespace {

constexpr int kListId = 1002;
constexpr int kStopId = 1003;

HWND H(void* handle) {
  return static_cast<HWND>(handle);
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  char className[64] = {};
  char caption[64] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  if (std::strcmp(className, "#32770") != 0 || std::strcmp(caption, "kvel") != 0) return TRUE;
  if (GetDlgItem(window, kListId) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

Image Capture(HWND window, bool whole) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME | RDW_ERASE);
  RECT rect;
  if (whole)
    GetWindowRect(window, &rect);
  else
    GetClientRect(window, &rect);
  Image image;
  image.width = rect.right - rect.left;
  image.height = rect.bottom - rect.top;
  if (image.width <= 0 || image.height <= 0) return Image{};
  HDC source = whole ? GetWindowDC(window) : GetDC(window);
  HDC memory = CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, image.width, image.height, source, 0, 0, SRCCOPY);
  GdiFlush();
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  const auto* raw = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = raw[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return image;
}

CellRect FromRect(const RECT& rect) {
  return CellRect{rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

TransferWindowDriver::TransferWindowDriver() {
  HWND found = nullptr;
  EnumAllTopLevelWindows(&FindDialog, reinterpret_cast<LPARAM>(&found));
  dialog_ = found;
  list_ = found != nullptr ? GetDlgItem(found, kListId) : nullptr;
}

// The window's own style: IsWindowVisible also asks the desktop, and a host's
// control thread may sit on another desktop than the window's.
bool TransferWindowDriver::Visible() const {
  return dialog_ != nullptr && (GetWindowLongA(H(dialog_), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::vector<std::string> TransferWindowDriver::ColumnHeaders() const {
  std::vector<std::string> headers;
  for (int column = 0;; ++column) {
    char text[128] = {};
    LVCOLUMNA record{};
    record.mask = LVCF_TEXT;
    record.pszText = text;
    record.cchTextMax = sizeof text;
    if (!SendMessageA(H(list_), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&record))) break;
    headers.push_back(text);
  }
  return headers;
}

std::vector<int> TransferWindowDriver::ColumnWidths() const {
  std::vector<int> widths;
  for (size_t column = 0; column < ColumnHeaders().size(); ++column)
    widths.push_back(static_cast<int>(SendMessageA(H(list_), LVM_GETCOLUMNWIDTH, column, 0)));
  return widths;
}

bool TransferWindowDriver::ColumnsFit() const {
  if (list_ == nullptr) return false;
  int columns = 0;
  for (int width : ColumnWidths()) columns += width;
  RECT client{};
  GetClientRect(H(list_), &client);
  return columns <= client.right - client.left;
}

int TransferWindowDriver::TextWidth(const std::string& text) const {
  return static_cast<int>(
      SendMessageA(H(list_), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int TransferWindowDriver::RowCount() const {
  return list_ == nullptr ? 0 : static_cast<int>(SendMessageA(H(list_), LVM_GETITEMCOUNT, 0, 0));
}

std::vector<std::vector<std::string>> TransferWindowDriver::Rows() const {
  std::vector<std::vector<std::string>> rows;
  const size_t columns = ColumnHeaders().size();
  const int count = RowCount();
  for (int row = 0; row < count; ++row) {
    std::vector<std::string> cells;
    for (size_t column = 0; column < columns; ++column) {
      char text[512] = {};
      LVITEMA item{};
      item.iSubItem = static_cast<int>(column);
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(H(list_), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
      cells.push_back(text);
    }
    rows.push_back(cells);
  }
  return rows;
}

long TransferWindowDriver::RowParam(int row) const {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(H(list_), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<long>(item.lParam);
}

int TransferWindowDriver::RowImage(int row) const {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  SendMessageA(H(list_), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

void TransferWindowDriver::SelectRow(int row) const {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(H(list_), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  SendMessageA(H(list_), LVM_SETSELECTIONMARK, 0, row);
}

void TransferWindowDriver::ClearSelection() const {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = 0;
  SendMessageA(H(list_), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&item));
  SendMessageA(H(list_), LVM_SETSELECTIONMARK, 0, -1);
}

void TransferWindowDriver::PressStop() const {
  SendMessageA(GetDlgItem(H(dialog_), kStopId), BM_CLICK, 0, 0);
}

void TransferWindowDriver::PressClose() const {
  SendMessageA(H(dialog_), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void TransferWindowDriver::DoubleClickRow(int row) const {
  const CellRect cell = SubItemRect(row, 1);
  SendMessageA(H(list_), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
}

std::string TransferWindowDriver::RowTip(int row) const {
  char text[INFOTIPSIZE] = {};
  NMLVGETINFOTIPA tip{};
  tip.hdr.hwndFrom = H(list_);
  tip.hdr.idFrom = kListId;
  tip.hdr.code = LVN_GETINFOTIPA;
  tip.pszText = text;
  tip.cchTextMax = sizeof text;
  tip.iItem = row;
  SendMessageA(H(dialog_), WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&tip));
  return text;
}

CellRect TransferWindowDriver::SubItemRect(int row, int column) const {
  RECT rect{};
  rect.top = column;
  rect.left = LVIR_BOUNDS;
  SendMessageA(H(list_), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
  return FromRect(rect);
}

Image TransferWindowDriver::CaptureWindow() const {
  return Capture(H(dialog_), true);
}

Image TransferWindowDriver::CaptureList() const {
  return Capture(H(list_), false);
}

CellRect TransferWindowDriver::WindowRect() const {
  RECT rect{};
  GetWindowRect(H(dialog_), &rect);
  return FromRect(rect);
}

CellRect TransferWindowDriver::ClientRect() const {
  RECT rect{};
  GetClientRect(H(dialog_), &rect);
  return FromRect(rect);
}

CellRect TransferWindowDriver::ListClientRect() const {
  RECT rect{};
  GetClientRect(H(list_), &rect);
  return FromRect(rect);
}

CellRect TransferWindowDriver::ControlRect(int id) const {
  RECT rect{};
  HWND control = GetDlgItem(H(dialog_), id);
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, H(dialog_), reinterpret_cast<POINT*>(&rect), 2);
  return FromRect(rect);
}

}  // namespace standin
