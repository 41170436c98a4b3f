#include "all_windows.h"

#include <string>
#include <vector>

namespace standin {
namespace {

BOOL CALLBACK CollectDesktop(LPSTR name, LPARAM context) {
  reinterpret_cast<std::vector<std::string>*>(context)->push_back(name);
  return TRUE;
}

}  // namespace

void EnumAllTopLevelWindows(WNDENUMPROC callback, LPARAM context) {
  std::vector<std::string> desktops;
  EnumDesktopsA(GetProcessWindowStation(), &CollectDesktop, reinterpret_cast<LPARAM>(&desktops));
  if (desktops.empty()) {
    EnumWindows(callback, context);
    return;
  }
  for (const std::string& name : desktops) {
    HDESK desktop = OpenDesktopA(name.c_str(), 0, FALSE, DESKTOP_ENUMERATE | DESKTOP_READOBJECTS);
    if (desktop == nullptr) continue;
    EnumDesktopWindows(desktop, callback, context);
    CloseDesktop(desktop);
  }
}

}  // namespace standin
