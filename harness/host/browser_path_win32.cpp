#include <windows.h>

#include "browser_path.h"

namespace standin {

std::string BrowserFileUrl(const std::string& path) {
  if (path.empty()) return std::string();
  // Wine's kernel32 names the Linux file behind a Windows path.
  using UnixNameFn = char*(CDECL*)(const WCHAR*);
  auto unixName = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName != nullptr) {
    const int wide = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (wide <= 0) return std::string();
    std::wstring widePath(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath.data(), wide);
    char* mapped = unixName(widePath.c_str());
    if (mapped == nullptr) return std::string();
    std::string url = "file://" + EscapeUrlPath(mapped);
    HeapFree(GetProcessHeap(), 0, mapped);
    return url;
  }
  std::string slashed = path;
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  return "file:///" + EscapeUrlPath(slashed);
}

}  // namespace standin
