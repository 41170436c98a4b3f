// The transfer window's dialog (resource 101): a list view whose cells are
// supplied on demand from the window's rows, painted rows with a progress
// bar and the file's path shortened in its middle, the path as the row's
// tip, the stop button, a received row's double click and menu, a layout
// that follows the dialog's size, and the timer and posted message that
// make the window tick.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/texts.h"
#include "ui/bar_colours.h"
#include "ui/res/transfer_window_ids.h"
#include "ui/screen.h"
#include "ui/transfer_window.h"

namespace kvel::ui {
namespace {

using transfers::TransferId;

// Asks the dialog to destroy itself when the destroying thread is not its own.
constexpr UINT kDestroyMessage = WM_APP + 1;
// Posted by Wake: the window ticks now.
constexpr UINT kWakeMessage = WM_APP + 2;
// The timer that ticks the window while it lists transfers.
constexpr UINT_PTR kTickTimer = 1;

constexpr COLORREF Colour(BarColour colour) {
  return RGB(colour.red, colour.green, colour.blue);
}

// The columns in the order of Column. The speed column is wide enough for
// what a waiting transfer says in its place ("czeka na połączenie"); the
// file column, whose long paths are drawn shortened in their middle anyway,
// gives it the room.
struct ColumnLook {
  const char* header;
  int width;
  int format;
};
const ColumnLook kColumns[kColumnCount] = {
    {text::kColumnContact, 80, LVCFMT_LEFT},   {text::kColumnFile, 200, LVCFMT_LEFT},
    {text::kColumnPercent, 30, LVCFMT_RIGHT},  {"", 100, LVCFMT_LEFT},
    {text::kColumnSize, 100, LVCFMT_RIGHT},    {text::kColumnSpeed, 120, LVCFMT_RIGHT},
    {text::kColumnTimeLeft, 90, LVCFMT_RIGHT},
};
// The dialog's height as it opens, in pixels; its width is what the columns
// need (WidthForColumns).
constexpr int kOpeningHeight = 191;
// Room the list view leaves before and after a cell's text.
constexpr int kTextMargin = 6;
// The commands of a received row's menu, after the action they stand for.
constexpr UINT kFirstMenuCommand = 1;

TransferWindow* Owner(HWND dialog) {
  return reinterpret_cast<TransferWindow*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

COLORREF RowColour(const TransferWindow::Row* row) {
  if (row && row->transfer.direction == transfers::Send) return Colour(kSendBar);
  if (row && row->transfer.direction == transfers::Receive) return Colour(kReceiveBar);
  return Colour(kUnknownBar);
}

// The list-view row of a transfer: its item's lParam is the transfer's id.
int FindRow(HWND list, TransferId id) {
  LVFINDINFOA find{};
  find.flags = LVFI_PARAM;
  find.lParam = static_cast<LPARAM>(id);
  return static_cast<int>(
      SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

// The cell of `column` in the row being drawn.
RECT CellRect(const NMLVCUSTOMDRAW& draw, Column column) {
  RECT cell{};
  cell.top = static_cast<LONG>(column);  // LVM_GETSUBITEMRECT takes the column here
  cell.left = LVIR_BOUNDS;
  SendMessageA(draw.nmcd.hdr.hwndFrom, LVM_GETSUBITEMRECT, draw.nmcd.dwItemSpec,
               reinterpret_cast<LPARAM>(&cell));
  return cell;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void Layout(HWND dialog) {
  RECT client;
  GetClientRect(dialog, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  MoveWindow(GetDlgItem(dialog, IDC_TRANSFER_LIST), 0, 0, width, height - 30, TRUE);
  SetWindowPos(GetDlgItem(dialog, IDC_STOP), nullptr, 5, height - 25, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

// The dialog's outer width that shows every column whole, with room for the
// list's vertical scroll bar once the rows outgrow it: the columns, the
// list's frame and the dialog's, as this system draws them.
int WidthForColumns(HWND dialog, HWND list) {
  int width = GetSystemMetrics(SM_CXVSCROLL);
  for (const ColumnLook& column : kColumns) width += column.width;
  for (HWND window : {list, dialog}) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    width += (outer.right - outer.left) - (client.right - client.left);
  }
  return width;
}

void Initialise(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_TRANSFER_LIST);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  SetWindowPos(dialog, nullptr, 0, 0, WidthForColumns(dialog, list), kOpeningHeight,
               SWP_NOMOVE | SWP_NOZORDER);
  int index = 0;
  for (const ColumnLook& column : kColumns) {
    LVCOLUMNA record{};
    record.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    record.fmt = column.format;
    record.cx = column.width;
    record.pszText = const_cast<char*>(column.header);
    SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&record));
  }
  HIMAGELIST images = ImageList_Create(10, 10, ILC_COLOR32 | ILC_MASK, 7, 0);
  const auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  for (int id : {IDI_RECEIVE, IDI_SEND}) {
    auto icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, 10, 10, 0));
    ImageList_ReplaceIcon(images, -1, icon);
    if (icon != nullptr) DestroyIcon(icon);
  }
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
  Layout(dialog);
}

void CellText(const TransferWindow& owner, NMLVDISPINFOA& info) {
  if ((info.item.mask & LVIF_TEXT) == 0) return;
  const TransferWindow::Row* row = owner.FindRow(static_cast<TransferId>(info.item.lParam));
  if (row == nullptr || info.item.iSubItem < 0 || info.item.iSubItem >= kColumnCount) return;
  const std::string* text = row->texts.Of(static_cast<Column>(info.item.iSubItem));
  // The list view hands its own buffer for the text.
  if (text == nullptr || info.item.pszText == nullptr || info.item.cchTextMax <= 0) return;
  lstrcpynA(info.item.pszText, text->c_str(), info.item.cchTextMax);
}

// The transfer of the list view's row `index`; 0 for none.
TransferId RowId(HWND list, int index) {
  if (index < 0) return 0;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return static_cast<TransferId>(item.lParam);
}

// The row's tip: its file's whole path.
void InfoTip(const TransferWindow& owner, NMLVGETINFOTIPA& tip) {
  const TransferWindow::Row* row = owner.FindRow(RowId(tip.hdr.hwndFrom, tip.iItem));
  if (row == nullptr || row->transfer.path.empty() || tip.pszText == nullptr || tip.cchTextMax <= 0)
    return;
  lstrcpynA(tip.pszText, row->transfer.path.c_str(), tip.cchTextMax);
}

// The file cell, drawn as the list view draws a cell, but with its path
// shortened in the middle (the platform's path ellipsis), so that the name
// at its end stays whole however narrow the column.
void DrawFileCell(const NMLVCUSTOMDRAW& draw, const std::string& text, COLORREF colour) {
  HWND list = draw.nmcd.hdr.hwndFrom;
  const RECT cell = CellRect(draw, Column::File);
  const bool selected = (SendMessageA(list, LVM_GETITEMSTATE, draw.nmcd.dwItemSpec, LVIS_SELECTED) &
                         LVIS_SELECTED) != 0;
  const bool highlighted = selected && GetFocus() == list;
  COLORREF background = static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0));
  if (background == CLR_NONE) background = GetSysColor(COLOR_WINDOW);
  FillSolid(draw.nmcd.hdc, cell, highlighted ? GetSysColor(COLOR_HIGHLIGHT) : background);
  RECT room = cell;
  InflateRect(&room, -kTextMargin, 0);
  SetBkMode(draw.nmcd.hdc, TRANSPARENT);
  SetTextColor(draw.nmcd.hdc, highlighted ? GetSysColor(COLOR_HIGHLIGHTTEXT) : colour);
  // DT_MODIFYSTRING is not asked for: the text stays as it is.
  DrawTextA(draw.nmcd.hdc, text.c_str(), static_cast<int>(text.size()), &room,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

LRESULT CustomDraw(const TransferWindow& owner, NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      break;
    default:
      return CDRF_DODEFAULT;
  }
  const TransferWindow::Row* row = owner.FindRow(static_cast<TransferId>(draw.nmcd.lItemlParam));
  const COLORREF colour = RowColour(row);
  draw.clrText = colour;
  if (draw.iSubItem == static_cast<int>(Column::File) && row != nullptr) {
    DrawFileCell(draw, row->texts.file, colour);
    return CDRF_SKIPDEFAULT;
  }
  if (draw.iSubItem != static_cast<int>(Column::Bar)) return CDRF_DODEFAULT;

  const RECT cell = CellRect(draw, Column::Bar);
  FillSolid(draw.nmcd.hdc, cell, RGB(255, 255, 255));
  RECT bar = cell;
  InflateRect(&bar, -2, -2);
  bar.right =
      row ? BarRight(bar.left, bar.right, row->transfer.Done(), row->transfer.size) : bar.left;
  FillSolid(draw.nmcd.hdc, bar, colour);
  return CDRF_SKIPDEFAULT;
}

void StopSelected(TransferWindow& owner, HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_TRANSFER_LIST);
  const int mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
  if (mark == -1) return;
  // A mark left on a row that is no longer selected names no transfer.
  if ((SendMessageA(list, LVM_GETITEMSTATE, mark, LVIS_SELECTED) & LVIS_SELECTED) == 0) return;
  const TransferId id = RowId(list, mark);
  if (id != 0) owner.StopRow(id);
}

// The menu of what the clicked row offers, at the mouse; the window does
// what is chosen. A row that offers nothing has no menu.
void RowMenu(TransferWindow& owner, HWND dialog, const NMITEMACTIVATE& click) {
  const TransferId id = RowId(click.hdr.hwndFrom, click.iItem);
  const std::vector<TransferWindow::Action> actions = owner.ActionsOf(id);
  if (actions.empty()) return;
  HMENU menu = CreatePopupMenu();
  for (TransferWindow::Action action : actions) {
    AppendMenuA(menu, MF_STRING, kFirstMenuCommand + static_cast<UINT>(action),
                action == TransferWindow::Action::Open ? text::kMenuOpen : text::kMenuShowInFolder);
  }
  POINT at{};
  GetCursorPos(&at);
  // The menu's own loop serves the dialog's ticks meanwhile; the row may go.
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, dialog, nullptr));
  DestroyMenu(menu);
  if (chosen >= kFirstMenuCommand)
    owner.Act(id, static_cast<TransferWindow::Action>(chosen - kFirstMenuCommand));
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, lparam);
    Initialise(dialog);
    return 0;
  }
  TransferWindow* owner = Owner(dialog);
  switch (message) {
    case WM_SIZE:
      Layout(dialog);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDC_STOP && owner != nullptr) StopSelected(*owner, dialog);
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (owner == nullptr || header->idFrom != IDC_TRANSFER_LIST) return 0;
      switch (header->code) {
        case LVN_GETDISPINFOA:
          CellText(*owner, *reinterpret_cast<NMLVDISPINFOA*>(lparam));
          return 0;
        case NM_CUSTOMDRAW:
          SetWindowLongPtrA(dialog, DWLP_MSGRESULT,
                            CustomDraw(*owner, *reinterpret_cast<NMLVCUSTOMDRAW*>(lparam)));
          return TRUE;
        case LVN_GETINFOTIPA:
          InfoTip(*owner, *reinterpret_cast<NMLVGETINFOTIPA*>(lparam));
          return 0;
        case NM_DBLCLK:
          owner->Act(RowId(header->hwndFrom, reinterpret_cast<NMITEMACTIVATE*>(lparam)->iItem),
                     TransferWindow::Action::Open);
          return 0;
        case NM_RCLICK:
          RowMenu(*owner, dialog, *reinterpret_cast<NMITEMACTIVATE*>(lparam));
          return 0;
        default:
          return 0;
      }
    }
    case WM_CLOSE:
      ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case WM_TIMER:
      if (wparam == kTickTimer && owner != nullptr) owner->Tick();
      return TRUE;
    case kWakeMessage:
      if (owner != nullptr) owner->Tick();
      return TRUE;
    case kDestroyMessage:
      DestroyWindow(dialog);
      return TRUE;
    default:
      return 0;
  }
}

// The dialog as the window's screen. Its row operations act on the list
// view directly: they run on the dialog's own thread.
class DialogScreen final : public Screen {
 public:
  DialogScreen(TransferWindow& window, void* module) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    dialog_ = CreateDialogParamA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(IDD_TRANSFERS),
                                 nullptr, &DialogProc, reinterpret_cast<LPARAM>(&window));
  }

  ~DialogScreen() override {
    if (dialog_ == nullptr) return;
    // Whatever the dialog still handles on its way out finds no window.
    SetWindowLongPtrA(dialog_, GWLP_USERDATA, 0);
    if (GetWindowThreadProcessId(dialog_, nullptr) == GetCurrentThreadId())
      DestroyWindow(dialog_);
    else
      SendMessageA(dialog_, kDestroyMessage, 0, 0);
  }

  void InsertRow(TransferId id, transfers::TransferDirection direction) override {
    if (dialog_ == nullptr) return;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = LPSTR_TEXTCALLBACKA;
    item.lParam = static_cast<LPARAM>(id);
    item.iImage = direction == transfers::Send ? 1 : 0;
    SendMessageA(List(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }

  void DeleteRow(TransferId id) override {
    if (dialog_ == nullptr) return;
    const int row = FindRow(List(), id);
    if (row != -1) SendMessageA(List(), LVM_DELETEITEM, row, 0);
  }

  void RedrawRow(TransferId id) override {
    if (dialog_ == nullptr) return;
    const int row = FindRow(List(), id);
    if (row != -1) SendMessageA(List(), LVM_REDRAWITEMS, row, row);
  }

  void Show() override {
    if (dialog_ != nullptr) ShowWindow(dialog_, SW_SHOWNORMAL);
  }
  void Hide() override {
    if (dialog_ != nullptr) ShowWindow(dialog_, SW_HIDE);
  }
  void StartTicks() override {
    if (dialog_ != nullptr) SetTimer(dialog_, kTickTimer, TransferWindow::kTickMs, nullptr);
  }
  void StopTicks() override {
    if (dialog_ != nullptr) KillTimer(dialog_, kTickTimer);
  }
  void Wake() override {
    if (dialog_ != nullptr) PostMessageA(dialog_, kWakeMessage, 0, 0);
  }

 private:
  HWND List() const { return GetDlgItem(dialog_, IDC_TRANSFER_LIST); }

  HWND dialog_ = nullptr;
};

}  // namespace

std::unique_ptr<Screen> OpenDialog(TransferWindow& window, void* module) {
  return std::make_unique<DialogScreen>(window, module);
}

}  // namespace kvel::ui
