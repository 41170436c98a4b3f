// The transfer window's dialog (resource 101): a list view whose cells are
// supplied on demand from the table, painted rows with a progress bar, the
// stop button, and a layout that follows the dialog's size.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "common/texts.h"
#include "ui/bar_colours.h"
#include "ui/progress_win.h"
#include "ui/transfer_view.h"
#include "ui/res/transfer_window_ids.h"

namespace kvel::ui {
namespace {

// Asks the dialog to destroy itself when the destroying thread is not its own.
constexpr UINT kDestroyMessage = WM_APP + 1;
// Finding a transfer's row and acting on it happen in one message on the
// dialog's thread: between two separate messages another transfer's row may
// come or go and shift the index, and the wrong row would be redrawn or
// deleted. The socket travels in lparam.
constexpr UINT kRedrawRowMessage = WM_APP + 2;
constexpr UINT kDeleteRowMessage = WM_APP + 3;
// Showing and hiding are decided on the dialog's thread by the table as it is
// then: a transfer ending as another begins must not hide the new one's row.
constexpr UINT kShowMessage = WM_APP + 4;
constexpr UINT kHideMessage = WM_APP + 5;

constexpr COLORREF Colour(BarColour colour) {
  return RGB(colour.red, colour.green, colour.blue);
}
const COLORREF kSendColour = Colour(kSendBar);
const COLORREF kReceiveColour = Colour(kReceiveBar);
const COLORREF kOtherColour = Colour(kUnknownBar);

struct Column {
  const char* header;
  int width;
  int format;
};
const Column kColumns[] = {
    {text::kColumnContact, 80, LVCFMT_LEFT},  {text::kColumnFile, 200, LVCFMT_LEFT},
    {text::kColumnPercent, 30, LVCFMT_RIGHT}, {"", 100, LVCFMT_LEFT},
    {text::kColumnSize, 100, LVCFMT_RIGHT},   {text::kColumnSpeed, 100, LVCFMT_RIGHT},
};

HWND Dialog(void* handle) {
  return static_cast<HWND>(handle);
}

ProgressWin* Owner(HWND dialog) {
  return reinterpret_cast<ProgressWin*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

COLORREF RowColour(const std::optional<transfers::TaskInfo>& entry) {
  COLORREF colour = kOtherColour;
  if (entry && entry->direction == transfers::Send) colour = kSendColour;
  if (entry && entry->direction == transfers::Receive) colour = kReceiveColour;
  return colour;
}

int FindRow(HWND list, platform::Socket socket) {
  LVFINDINFOA find{};
  find.flags = LVFI_PARAM;
  find.lParam = static_cast<LPARAM>(socket);
  return static_cast<int>(
      SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
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

void Initialise(HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_TRANSFER_LIST);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  SetWindowPos(dialog, nullptr, 0, 0, 622, 191, SWP_NOMOVE | SWP_NOZORDER);
  int index = 0;
  for (const Column& column : kColumns) {
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

void CellText(ProgressWin& owner, NMLVDISPINFOA& info) {
  if ((info.item.mask & LVIF_TEXT) == 0) return;
  std::optional<transfers::TaskInfo> entry =
      owner.Table().Find(static_cast<platform::Socket>(info.item.lParam));
  if (!entry) return;
  std::string text;
  switch (info.item.iSubItem) {
    case 0:
      text = entry->contact;
      break;
    case 1:
      text = entry->fileName;
      break;
    case 2:
      text = std::to_string(entry->percent);
      break;
    case 4:
      text = transfers::SizeText(entry->totalBytes);
      break;
    case 5:
      text = transfers::SpeedText(entry->speed);
      break;
    default:
      return;
  }
  // The list view hands its own buffer for the text.
  if (info.item.pszText == nullptr || info.item.cchTextMax <= 0) return;
  lstrcpynA(info.item.pszText, text.c_str(), info.item.cchTextMax);
}

LRESULT CustomDraw(ProgressWin& owner, NMLVCUSTOMDRAW& draw) {
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
  std::optional<transfers::TaskInfo> entry =
      owner.Table().Find(static_cast<platform::Socket>(draw.nmcd.lItemlParam));
  const COLORREF colour = RowColour(entry);
  draw.clrText = colour;
  if (draw.iSubItem != 3) return CDRF_DODEFAULT;

  RECT cell{};
  cell.top = 3;
  cell.left = LVIR_BOUNDS;
  SendMessageA(draw.nmcd.hdr.hwndFrom, LVM_GETSUBITEMRECT, draw.nmcd.dwItemSpec,
               reinterpret_cast<LPARAM>(&cell));
  FillSolid(draw.nmcd.hdc, cell, RGB(255, 255, 255));
  RECT bar = cell;
  bar.left += 2;
  bar.right -= 2;
  bar.right =
      entry ? transfers::BarRight(bar.left, bar.right, entry->doneBytes, entry->totalBytes) : bar.left;
  bar.top += 2;
  bar.bottom -= 2;
  FillSolid(draw.nmcd.hdc, bar, colour);
  return CDRF_SKIPDEFAULT;
}

void StopSelected(ProgressWin& owner, HWND dialog) {
  HWND list = GetDlgItem(dialog, IDC_TRANSFER_LIST);
  const int mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
  if (mark == -1) return;
  // A mark left on a row that is no longer selected names no transfer.
  if ((SendMessageA(list, LVM_GETITEMSTATE, mark, LVIS_SELECTED) & LVIS_SELECTED) == 0) return;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = mark;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
  owner.StopTransfer(static_cast<platform::Socket>(item.lParam));
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, lparam);
    Initialise(dialog);
    return 0;
  }
  ProgressWin* owner = Owner(dialog);
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
      if (header->code == LVN_GETDISPINFOA) {
        CellText(*owner, *reinterpret_cast<NMLVDISPINFOA*>(lparam));
        return 0;
      }
      if (header->code == NM_CUSTOMDRAW) {
        LRESULT result = CustomDraw(*owner, *reinterpret_cast<NMLVCUSTOMDRAW*>(lparam));
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
        return TRUE;
      }
      return 0;
    }
    case WM_CLOSE:
      ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case kRedrawRowMessage:
    case kDeleteRowMessage: {
      HWND list = GetDlgItem(dialog, IDC_TRANSFER_LIST);
      const int row = FindRow(list, static_cast<platform::Socket>(lparam));
      if (row == -1) return TRUE;
      if (message == kRedrawRowMessage)
        SendMessageA(list, LVM_REDRAWITEMS, row, row);
      else
        SendMessageA(list, LVM_DELETEITEM, row, 0);
      return TRUE;
    }
    case kShowMessage:
      if (owner != nullptr && owner->Table().Size() != 0) ShowWindow(dialog, SW_SHOWNORMAL);
      return TRUE;
    case kHideMessage:
      if (owner != nullptr && owner->Table().Size() == 0) ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case kDestroyMessage:
      DestroyWindow(dialog);
      return TRUE;
    default:
      return 0;
  }
}

}  // namespace

TransferView::TransferView(ProgressWin* owner, void* module) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  dialog_ = CreateDialogParamA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(IDD_TRANSFERS),
                               nullptr, &DialogProc, reinterpret_cast<LPARAM>(owner));
}

TransferView::~TransferView() {
  HWND dialog = Dialog(dialog_);
  dialog_ = nullptr;
  if (dialog == nullptr) return;
  if (GetWindowThreadProcessId(dialog, nullptr) == GetCurrentThreadId())
    DestroyWindow(dialog);
  else
    SendMessageA(dialog, kDestroyMessage, 0, 0);
}

void TransferView::InsertRow(platform::Socket socket, transfers::TransferDirection direction) {
  if (dialog_ == nullptr) return;
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = 0;
  item.pszText = LPSTR_TEXTCALLBACKA;
  item.lParam = static_cast<LPARAM>(socket);
  item.iImage = direction == transfers::Send ? 1 : 0;
  SendMessageA(GetDlgItem(Dialog(dialog_), IDC_TRANSFER_LIST), LVM_INSERTITEMA, 0,
               reinterpret_cast<LPARAM>(&item));
}

void TransferView::RedrawRow(platform::Socket socket) {
  if (dialog_ != nullptr)
    SendMessageA(Dialog(dialog_), kRedrawRowMessage, 0, static_cast<LPARAM>(socket));
}

void TransferView::DeleteRow(platform::Socket socket) {
  if (dialog_ != nullptr)
    SendMessageA(Dialog(dialog_), kDeleteRowMessage, 0, static_cast<LPARAM>(socket));
}

void TransferView::Show() {
  if (dialog_ != nullptr) SendMessageA(Dialog(dialog_), kShowMessage, 0, 0);
}

void TransferView::Hide() {
  if (dialog_ != nullptr) SendMessageA(Dialog(dialog_), kHideMessage, 0, 0);
}

void TransferView::ServeSentMessages(uint32_t milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_SENDMESSAGE);
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace kvel::ui
