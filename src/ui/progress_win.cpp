#include "ui/progress_win.h"

#include <atomic>

#include "platform/threads.h"

namespace kvel::ui {

ProgressWin::ProgressWin(TransferTable::Clock clock, void* module)
    : table_(std::move(clock)), view_(this, module) {}

ProgressWin::~ProgressWin() = default;

void ProgressWin::AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction,
                              const std::string& contact) {
  if (table_.Find(socket).has_value()) RemoveTransfer(socket);
  table_.Add(socket, uin, direction, contact);
  view_.InsertRow(socket, direction);
  view_.Show();
}

void ProgressWin::SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                                  int64_t doneBytes) {
  if (table_.SetFile(socket, fileName, totalBytes, doneBytes)) view_.RedrawRow(socket);
}

void ProgressWin::AddProgress(platform::Socket socket, int64_t bytes) {
  if (table_.AddProgress(socket, bytes)) view_.RedrawRow(socket);
}

std::optional<TaskInfo> ProgressWin::RemoveTransfer(platform::Socket socket) {
  // The row goes before the entry, so the list never shows a row whose entry
  // is missing.
  view_.DeleteRow(socket);
  std::optional<TaskInfo> entry = table_.Remove(socket);
  if (table_.Size() == 0) view_.Hide();
  return entry;
}

bool ProgressWin::StopTransfer(platform::Socket socket) {
  return table_.Stop(socket, [](platform::Socket s) { platform::ShutdownBoth(s); });
}

namespace {

// The process-wide window, and the calls that may be using it counted in
// one of two slots by the epoch they entered in. Destruction clears the
// pointer, moves to the next epoch and waits only for the calls of the
// epoch it left, so calls that keep coming can never hold it up. No lock:
// connection threads calling all the time never starve the window's thread.
std::atomic<ProgressWin*> g_window{nullptr};
std::atomic<uint32_t> g_epoch{0};
std::atomic<int> g_users[2];

class WindowUse {
 public:
  WindowUse() {
    // Counted in the slot of an epoch that was still current once counted:
    // a destruction that ends this epoch later waits for this call.
    for (;;) {
      slot_ = g_epoch.load() & 1;
      g_users[slot_].fetch_add(1);
      if ((g_epoch.load() & 1) == slot_) break;
      g_users[slot_].fetch_sub(1);
    }
    window_ = g_window.load();
  }
  ~WindowUse() { g_users[slot_].fetch_sub(1); }
  WindowUse(const WindowUse&) = delete;
  WindowUse& operator=(const WindowUse&) = delete;

  ProgressWin* operator->() const { return window_; }
  explicit operator bool() const { return window_ != nullptr; }

 private:
  uint32_t slot_ = 0;
  ProgressWin* window_ = nullptr;
};

}  // namespace

void CreateProgressWin(void* module) {
  DestroyProgressWin();
  g_window.store(new ProgressWin(&platform::TickCount, module));
}

void DestroyProgressWin() {
  ProgressWin* window = g_window.exchange(nullptr);
  if (window == nullptr) return;
  const uint32_t slot = g_epoch.fetch_add(1) & 1;
  // Calls under way may be waiting for this thread to carry out their window
  // messages: serve those until the last of them has left.
  while (g_users[slot].load() != 0) TransferView::ServeSentMessages(1);
  delete window;
}

bool ProgressWinExists() {
  return g_window.load() != nullptr;
}

void AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction,
                 const std::string& contact) {
  if (WindowUse window; window) window->AddTransfer(socket, uin, direction, contact);
}

void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                     int64_t doneBytes) {
  if (WindowUse window; window) window->SetTransferFile(socket, fileName, totalBytes, doneBytes);
}

void AddProgress(platform::Socket socket, int64_t bytes) {
  if (WindowUse window; window) window->AddProgress(socket, bytes);
}

std::optional<TaskInfo> RemoveTransfer(platform::Socket socket) {
  if (WindowUse window; window) return window->RemoveTransfer(socket);
  return std::nullopt;
}

bool StopTransfer(platform::Socket socket) {
  if (WindowUse window; window) return window->StopTransfer(socket);
  return false;
}

}  // namespace kvel::ui
