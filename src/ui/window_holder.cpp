#include "ui/window_holder.h"

#include "platform/threads.h"

namespace kvel::ui {

// One call's use of the window: counted from before it reads the pointer
// until it is done with it.
class WindowHolder::Use {
 public:
  explicit Use(WindowHolder& holder) : holder_(holder) {
    // Counted in the slot of an epoch that was still current once counted:
    // a Destroy that ends this epoch later waits for this call.
    for (;;) {
      slot_ = holder_.epoch_.load() & 1;
      holder_.users_[slot_].fetch_add(1);
      if ((holder_.epoch_.load() & 1) == slot_) break;
      holder_.users_[slot_].fetch_sub(1);
    }
    window_ = holder_.window_.load();
  }
  ~Use() { holder_.users_[slot_].fetch_sub(1); }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;

  ProgressWin* operator->() const { return window_; }
  explicit operator bool() const { return window_ != nullptr; }

 private:
  WindowHolder& holder_;
  uint32_t slot_ = 0;
  ProgressWin* window_ = nullptr;
};

WindowHolder::~WindowHolder() {
  Destroy();
}

void WindowHolder::Create(void* module) {
  Destroy();
  window_.store(new ProgressWin(&platform::TickCount, module));
}

void WindowHolder::Destroy() {
  ProgressWin* window = window_.exchange(nullptr);
  if (window == nullptr) return;
  const uint32_t slot = epoch_.fetch_add(1) & 1;
  // Calls under way may be waiting for this thread to carry out their window
  // messages: serve those until the last of them has left.
  while (users_[slot].load() != 0) TransferView::ServeSentMessages(1);
  delete window;
}

bool WindowHolder::Exists() const {
  return window_.load() != nullptr;
}

void WindowHolder::AddTransfer(platform::Socket socket, uint32_t uin,
                               transfers::TransferDirection direction, const std::string& contact) {
  if (Use window(*this); window) window->AddTransfer(socket, uin, direction, contact);
}

void WindowHolder::SetTransferFile(platform::Socket socket, const char* fileName,
                                   int64_t totalBytes, int64_t doneBytes) {
  if (Use window(*this); window) window->SetTransferFile(socket, fileName, totalBytes, doneBytes);
}

void WindowHolder::AddProgress(platform::Socket socket, int64_t bytes) {
  if (Use window(*this); window) window->AddProgress(socket, bytes);
}

std::optional<transfers::TaskInfo> WindowHolder::RemoveTransfer(platform::Socket socket) {
  if (Use window(*this); window) return window->RemoveTransfer(socket);
  return std::nullopt;
}

bool WindowHolder::StopTransfer(platform::Socket socket) {
  if (Use window(*this); window) return window->StopTransfer(socket);
  return false;
}

}  // namespace kvel::ui
