#include "ui/progress_win.h"

#include <condition_variable>
#include <mutex>

#include "platform/threads.h"

namespace kvel::ui {

ProgressWin::ProgressWin(TransferTable::Clock clock) : table_(std::move(clock)), view_(this) {}

ProgressWin::~ProgressWin() = default;

void ProgressWin::AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction) {
  if (table_.Find(socket).has_value()) RemoveTransfer(socket);
  table_.Add(socket, uin, direction);
  view_.InsertRow(socket, direction);
  if (table_.Size() != 0) view_.Show();
}

void ProgressWin::SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                                  int64_t doneBytes) {
  if (table_.SetFile(socket, fileName, totalBytes, doneBytes)) view_.RedrawRow(socket);
}

void ProgressWin::AddProgress(platform::Socket socket, int64_t bytes) {
  if (table_.AddProgress(socket, bytes)) view_.RedrawRow(socket);
}

void ProgressWin::RemoveTransfer(platform::Socket socket) {
  // The row goes before the entry, so the list never shows a row whose entry
  // is missing.
  view_.DeleteRow(socket);
  table_.Remove(socket);
  if (table_.Size() == 0) view_.Hide();
}

bool ProgressWin::StopTransfer(platform::Socket socket) {
  return table_.WithListedSocket(socket, [](platform::Socket s) { platform::ShutdownBoth(s); });
}

namespace {

// The process-wide window and the calls that are using it. A call that got
// the window keeps it alive until it returns; destruction waits for them.
std::mutex g_mutex;
std::condition_variable g_idle;
ProgressWin* g_window = nullptr;
int g_users = 0;

class WindowUse {
 public:
  WindowUse() {
    std::lock_guard<std::mutex> lock(g_mutex);
    window_ = g_window;
    if (window_ != nullptr) ++g_users;
  }
  ~WindowUse() {
    if (window_ == nullptr) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (--g_users == 0) g_idle.notify_all();
  }
  WindowUse(const WindowUse&) = delete;
  WindowUse& operator=(const WindowUse&) = delete;

  ProgressWin* operator->() const { return window_; }
  explicit operator bool() const { return window_ != nullptr; }

 private:
  ProgressWin* window_ = nullptr;
};

}  // namespace

void CreateProgressWin() {
  DestroyProgressWin();
  auto* window = new ProgressWin(&platform::TickCount);
  std::lock_guard<std::mutex> lock(g_mutex);
  g_window = window;
}

void DestroyProgressWin() {
  ProgressWin* window;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    window = g_window;
    g_window = nullptr;
  }
  if (window == nullptr) return;
  // Calls under way may be waiting for this thread to carry out their window
  // messages: serve those until the last call has left.
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(g_mutex);
      if (g_idle.wait_for(lock, std::chrono::milliseconds(1), [] { return g_users == 0; })) break;
    }
    TransferView::ServeSentMessages(10);
  }
  delete window;
}

bool ProgressWinExists() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_window != nullptr;
}

void AddTransfer(platform::Socket socket, uint32_t uin, TransferDirection direction) {
  if (WindowUse window; window) window->AddTransfer(socket, uin, direction);
}

void SetTransferFile(platform::Socket socket, const char* fileName, int64_t totalBytes,
                     int64_t doneBytes) {
  if (WindowUse window; window) window->SetTransferFile(socket, fileName, totalBytes, doneBytes);
}

void AddProgress(platform::Socket socket, int64_t bytes) {
  if (WindowUse window; window) window->AddProgress(socket, bytes);
}

void RemoveTransfer(platform::Socket socket) {
  if (WindowUse window; window) window->RemoveTransfer(socket);
}

}  // namespace kvel::ui
