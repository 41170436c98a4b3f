// Top-level windows of every desktop of this process's window station: the
// plug-in's windows may sit on another desktop than the thread looking for
// them (a Wine virtual desktop is one per thread that entered it).
#pragma once

#include <windows.h>

namespace standin {

// Calls `callback` with `context` for each top-level window, desktop by
// desktop, as EnumWindows does for one.
void EnumAllTopLevelWindows(WNDENUMPROC callback, LPARAM context);

}  // namespace standin
