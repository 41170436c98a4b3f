// DllMain: the library's attach/detach routine. It keeps the module's handle
// for every reason; the process-wide objects are constructed before it runs
// at attach and destroyed after it at detach.
#include <windows.h>

#include "plugin/host.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  kvel::TheModuleHost().SetModule(instance);
  return TRUE;
}
