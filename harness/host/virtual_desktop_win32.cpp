#include <windows.h>

#include <string>

#include "virtual_desktop.h"

namespace standin {

bool RegisterVirtualDesktop(const char* name, int width, int height) {
  // Wine makes a desktop a virtual one of this size when its name is listed
  // under Explorer\Desktops.
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(size.c_str()),
                 static_cast<DWORD>(size.size() + 1));
  RegCloseKey(key);
  return true;
}

bool EnterVirtualDesktop(const char* name, int width, int height) {
  if (!RegisterVirtualDesktop(name, width, height)) return false;
  HDESK desktop = CreateDesktopA(name, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (desktop == nullptr) return false;
  return SetThreadDesktop(desktop) != 0;
}

}  // namespace standin
