#include <windows.h>

#include <ctime>

#include "platform/threads/threads.h"

namespace kvel::platform {
void SleepMilliseconds(uint32_t milliseconds) {
  Sleep(milliseconds);
}

void ServeSentMessages(uint32_t milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_SENDMESSAGE);
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

uint32_t TickCount() {
  return GetTickCount();
}

uint32_t UnixTime() {
  return static_cast<uint32_t>(std::time(nullptr));
}

}  // namespace kvel::platform
