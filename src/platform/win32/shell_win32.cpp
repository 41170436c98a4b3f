#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/shell.h"
#include "platform/win32/owned_handle.h"

namespace kvel::platform {

bool OpenWithDefaultProgram(const char* path) {
  // Above 32 when the program was started.
  const auto started = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL));
  return started > 32;
}

bool ShowInFolder(const char* path) {
  char windows[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  // A path holds no quote, so quoting it keeps its spaces and commas whole.
  // Not const: CreateProcessA may write into its command line.
  std::string line =
      "\"" + std::string(windows) + "\\explorer.exe\" /select,\"" + std::string(path) + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  // Nothing waits for the program: its handles go at once.
  const OwnedHandle thread(process.hThread), started(process.hProcess);
  return true;
}

}  // namespace kvel::platform
