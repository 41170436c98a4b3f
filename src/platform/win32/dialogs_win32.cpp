// The real dialogs of the product: message boxes and the common file dialogs,
// all without an owner window, from the plug-in module's instance.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "platform/dialogs.h"
#include "plugin/host.h"

namespace kvel::platform {
namespace {

// 88 bytes from Windows 2000 on, the older 76-byte form before it.
DWORD OpenFileNameSize() {
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;  // 148
  GetVersionExA(&version);
  return version.dwMajorVersion >= 5 ? 88 : 76;
}

void Fill(OPENFILENAMEA& ofn, FileDialog& dialog) {
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = OpenFileNameSize();
  ofn.hwndOwner = nullptr;
  ofn.hInstance = static_cast<HINSTANCE>(PluginId());
  ofn.lpstrFilter = dialog.filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = dialog.path;
  ofn.nMaxFile = static_cast<DWORD>(dialog.pathSize);
  ofn.Flags = dialog.flags;
}

}  // namespace

bool AskYesNo(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void ShowError(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

bool ChooseSaveFile(FileDialog& dialog) {
  OPENFILENAMEA ofn;
  Fill(ofn, dialog);
  return GetSaveFileNameA(&ofn) != 0;
}

bool ChooseOpenFile(FileDialog& dialog) {
  OPENFILENAMEA ofn;
  Fill(ofn, dialog);
  return GetOpenFileNameA(&ofn) != 0;
}

}  // namespace kvel::platform
