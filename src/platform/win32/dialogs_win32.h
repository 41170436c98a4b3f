// The common file dialogs' record as the product fills it; exposed for tests.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "platform/dialogs.h"

namespace kvel::platform {

// 88 when the platform's major version is 5 or more, the older 76 before
// (a 64-bit build: the platform's own sizes of the two records).
DWORD OpenFileNameSize(DWORD majorVersion);
// A zeroed record with the size for this platform (GetVersionExA), no owner
// window, the dialog's instance, filter (index 1), path buffer
// and flags; no title, initial directory or default extension.
void FillOpenFileName(OPENFILENAMEA& ofn, FileDialog& dialog);

}  // namespace kvel::platform
