// The modal dialogs a transfer or command shows, each with no owner window.
// The win32 build binds the real ones (platform/win32/dialogs*.cpp); native
// tests link a scripted implementation.
#pragma once

#include <cstddef>

namespace kvel::platform {

// MessageBoxA(MB_YESNO | MB_ICONQUESTION); true unless the answer is IDNO.
bool AskYesNo(const char* text, const char* caption);

// The same for a question whose safe answer is no: the box warns, "No" is
// its default button, and only IDYES is a yes.
bool AskNoYes(const char* text, const char* caption);

// MessageBoxA with only an OK button and no icon.
void ShowError(const char* text, const char* caption);

// The OFN_* flags the file dialogs use.
inline constexpr unsigned long kOfnOverwritePrompt = 0x00000002;
inline constexpr unsigned long kOfnAllowMultiSelect = 0x00000200;
inline constexpr unsigned long kOfnExtensionDifferent = 0x00000400;
inline constexpr unsigned long kOfnPathMustExist = 0x00000800;
inline constexpr unsigned long kOfnFileMustExist = 0x00001000;
inline constexpr unsigned long kOfnExplorer = 0x00080000;
inline constexpr unsigned long kOfnLongNames = 0x00200000;
inline constexpr unsigned long kOfnDontAddToRecent = 0x02000000;
// Saving a received file.
inline constexpr unsigned long kSaveFileFlags =
    kOfnOverwritePrompt | kOfnExtensionDifferent | kOfnPathMustExist | kOfnDontAddToRecent;
// Choosing a file or a picture to send: it must exist.
inline constexpr unsigned long kOpenFileFlags = kSaveFileFlags | kOfnFileMustExist;
// Choosing the files to send: several at once, in the explorer-style
// dialog, whose answer holds long names only (the older dialog gives 8.3
// names, separated by spaces).
inline constexpr unsigned long kOpenFilesFlags =
    kOpenFileFlags | kOfnAllowMultiSelect | kOfnExplorer | kOfnLongNames;
static_assert(kSaveFileFlags == 0x02000C02 && kOpenFileFlags == 0x02001C02 &&
              kOpenFilesFlags == 0x02281E02);

// The platform's path limit: 259 characters and a terminating zero.
inline constexpr size_t kPathBufferSize = 260;
// The buffer of an open dialog that takes several files: their folder and
// a hundred long names fit, and the dialog refuses (as cancelled) a choice
// that does not.
inline constexpr size_t kFilesBufferSize = 32 * 1024;

struct FileDialog {
  const char* filter = nullptr;  // pairs of NUL-terminated texts, ending in an empty one
  unsigned long flags = 0;       // OFN_* flags
  char* path = nullptr;          // in: proposed name (may be empty); out: chosen path
  size_t pathSize = 0;           // 260
  void* instance = nullptr;      // HINSTANCE of the module the dialog belongs to; the caller's
};
// A dialog that proposes and returns its path in `path`; the caller fills in
// `instance`.
inline FileDialog FileDialogOver(char (&path)[kPathBufferSize], const char* filter,
                                 unsigned long flags) {
  return FileDialog{filter, flags, path, kPathBufferSize, nullptr};
}

// GetSaveFileNameA / GetOpenFileNameA; false when cancelled or failed. The
// chosen path is zero-terminated within `pathSize`.
bool ChooseSaveFile(FileDialog& dialog);
bool ChooseOpenFile(FileDialog& dialog);

}  // namespace kvel::platform
