// What the desktop does with a file: open it with the program the user
// chose for its kind, or show it in its folder. Each call may take long
// (the program starts): make it off a window's thread.
#pragma once

namespace kvel::platform {

// Opens `path` with its default program (ShellExecuteA's "open"); false when
// the platform could not (natively there is no desktop: always false).
bool OpenWithDefaultProgram(const char* path);
// Opens the folder of `path` with the file selected: `explorer /select,`
// started as a process of its own. False when it could not be started.
bool ShowInFolder(const char* path);

}  // namespace kvel::platform
