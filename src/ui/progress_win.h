// The transfer window: the table of running transfers and its dialog.
#pragma once

#include <cstdint>

#include "platform/sockets.h"

namespace kvel::ui {

enum TransferDirection : int32_t { Send = 0, Receive = 1 };

// Creates the process-wide window (hidden); LoadPlugin's last step.
void CreateProgressWin();
// Destroys it; UnloadPlugin's first step. Later transfer calls do nothing.
void DestroyProgressWin();
bool ProgressWinExists();

// The operations of the process-wide window, keyed by the transfer's socket.
// Safe from any thread; they do nothing when no window exists.
void AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction);
void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                     int64_t doneBytes);
void AddProgress(platform::Socket socket, int64_t bytes);
void RemoveTransfer(platform::Socket socket);

}  // namespace kvel::ui
