#include <windows.h>

#include <cstdint>

namespace standin {

// Waits at most `waitMilliseconds` for a message, then dispatches what is
// queued, for about as long again at most (threads that keep sending must
// not hold the caller here); messages sent from other threads are served
// while waiting.
void DispatchPendingMessages(uint32_t waitMilliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMilliseconds, QS_ALLINPUT);
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start <= waitMilliseconds &&
         PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace standin
