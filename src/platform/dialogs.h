// The modal dialogs a transfer or command shows, each with no owner window.
// The win32 build binds the real ones (platform/win32/dialogs*.cpp); native
// tests link a scripted implementation.
#pragma once

#include <cstddef>

namespace kvel::platform {

// MessageBoxA(MB_YESNO | MB_ICONQUESTION); true unless the answer is IDNO.
bool AskYesNo(const char* text, const char* caption);

// MessageBoxA with only an OK button and no icon.
void ShowError(const char* text, const char* caption);

struct FileDialog {
  const char* filter = nullptr;  // pairs of NUL-terminated texts, ending in an empty one
  unsigned long flags = 0;       // OFN_* flags
  char* path = nullptr;          // in: proposed name (may be empty); out: chosen path
  size_t pathSize = 0;           // 260
};
// GetSaveFileNameA / GetOpenFileNameA; false when cancelled or failed.
bool ChooseSaveFile(FileDialog& dialog);
bool ChooseOpenFile(FileDialog& dialog);

}  // namespace kvel::platform
