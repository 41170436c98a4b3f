// Sleeping and the millisecond tick. Threads come from the worker
// (platform/worker.h).
#pragma once

#include <cstdint>

namespace kvel::platform {

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
