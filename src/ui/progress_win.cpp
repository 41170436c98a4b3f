#include "ui/progress_win.h"

#include <atomic>

namespace kvel::ui {
namespace {
std::atomic<bool> g_exists{false};
}

void CreateProgressWin() {
  g_exists = true;
}
void DestroyProgressWin() {
  g_exists = false;
}
bool ProgressWinExists() {
  return g_exists;
}

void AddTransfer(platform::Socket, uint32_t, TransferDirection) {}
void SetTransferFile(platform::Socket, const char*, int64_t, int64_t) {}
void AddProgress(platform::Socket, int64_t) {}
void RemoveTransfer(platform::Socket) {}

}  // namespace kvel::ui
