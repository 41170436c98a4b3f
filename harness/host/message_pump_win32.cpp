#include <windows.h>

#include <cstdint>

namespace standin {

// Waits at most `waitMilliseconds` for a message, then dispatches all that
// are queued; messages sent from other threads are served while waiting.
void DispatchPendingMessages(uint32_t waitMilliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMilliseconds, QS_ALLINPUT);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace standin
