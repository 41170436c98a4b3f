// Threads, sleeping and the millisecond tick.
#pragma once

#include <cstdint>

namespace kvel::platform {

using ThreadRoutine = void (*)(void* argument);

// Starts a detached thread. On win32 the thread holds a reference to the
// plug-in module while it runs and drops it as it exits, so the DLL stays
// mapped until the routine has returned. False when it cannot start.
bool SpawnDetachedThread(ThreadRoutine routine, void* argument);

// A thread that can be waited for (the listener's).
struct ThreadHandle {
  void* native = nullptr;
};
bool StartThread(ThreadRoutine routine, void* argument, ThreadHandle* handle);
// Waits at most `milliseconds`; true when the thread ended. Releases the handle.
bool WaitThread(ThreadHandle* handle, uint32_t milliseconds);

void SleepMilliseconds(uint32_t milliseconds);
// Waits about `milliseconds` while carrying out the window messages that
// other threads send to this thread (their senders wait for them); natively
// there are none and it only sleeps.
void ServeSentMessages(uint32_t milliseconds);
// Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount).
uint32_t TickCount();
// Seconds since 1970.
uint32_t UnixTime();

}  // namespace kvel::platform
