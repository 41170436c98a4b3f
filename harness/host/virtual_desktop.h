// Windows of the plug-in under Wine: without a window manager, Xvfb gives
// them no frames, and every show or hide waits for a manager that never
// answers. Inside a Wine virtual desktop, Wine draws frames and captions
// itself and shows and hides at once.
#pragma once

namespace standin {

// Moves the calling thread to a virtual desktop of the given size. Call
// before the thread creates any window; a thread that looks for windows
// (a UI driver thread) must be on the same desktop. False when the desktop
// cannot be entered (natively there are no windows and nothing happens).
// Makes the desktop `name` a virtual one of the given size for processes
// started on it (STARTUPINFO.lpDesktop), so that all their threads share it.
bool RegisterVirtualDesktop(const char* name = "kvel", int width = 1024, int height = 768);

bool EnterVirtualDesktop(const char* name = "kvel", int width = 1024, int height = 768);

}  // namespace standin
