// The real dialogs of the product: message boxes and the common file dialogs,
// all without an owner window, from the instance the caller names.
#include "platform/win32/dialogs_win32.h"

#include <cstddef>
#include <cstring>

namespace kvel::platform {

static_assert(kOfnOverwritePrompt == OFN_OVERWRITEPROMPT &&
              kOfnExtensionDifferent == OFN_EXTENSIONDIFFERENT &&
              kOfnPathMustExist == OFN_PATHMUSTEXIST && kOfnFileMustExist == OFN_FILEMUSTEXIST &&
              kOfnDontAddToRecent == OFN_DONTADDTORECENT &&
              kOfnAllowMultiSelect == OFN_ALLOWMULTISELECT && kOfnExplorer == OFN_EXPLORER &&
              kOfnLongNames == OFN_LONGNAMES);
// The older record ends with lpTemplateName.
inline constexpr DWORD kOlderSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#if defined(_WIN64)
inline constexpr DWORD kCurrentSize = sizeof(OPENFILENAMEA);
#else
inline constexpr DWORD kCurrentSize = 88;
static_assert(sizeof(OPENFILENAMEA) == kCurrentSize && kOlderSize == 76);
#endif

DWORD OpenFileNameSize(DWORD majorVersion) {
  return majorVersion >= 5 ? kCurrentSize : kOlderSize;
}

void FillOpenFileName(OPENFILENAMEA& ofn, FileDialog& dialog) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;  // 148
  GetVersionExA(&version);

  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = OpenFileNameSize(version.dwMajorVersion);
  ofn.hInstance = static_cast<HINSTANCE>(dialog.instance);
  ofn.lpstrFilter = dialog.filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = dialog.path;
  ofn.nMaxFile = static_cast<DWORD>(dialog.pathSize);
  ofn.Flags = dialog.flags;
}

namespace {

// Shows the dialog of `dialog` with `show`; the path it returns is used as a
// C string, so it is made to end.
bool Choose(BOOL(WINAPI* show)(LPOPENFILENAMEA), FileDialog& dialog) {
  OPENFILENAMEA ofn;
  FillOpenFileName(ofn, dialog);
  const BOOL chosen = show(&ofn);
  if (dialog.path != nullptr && dialog.pathSize > 0) dialog.path[dialog.pathSize - 1] = '\0';
  return chosen != 0;
}

}  // namespace

bool AskYesNo(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_YESNO | MB_ICONQUESTION) != IDNO;
}

bool AskNoYes(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void ShowError(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

bool ChooseSaveFile(FileDialog& dialog) {
  return Choose(&GetSaveFileNameA, dialog);
}

bool ChooseOpenFile(FileDialog& dialog) {
  return Choose(&GetOpenFileNameA, dialog);
}

}  // namespace kvel::platform
