// The message pump of the thread that loaded the plug-in. The transfer
// window lives on that thread, and connection threads wait for it to carry
// out their window messages, so a test that waits must pump (natively there
// are no messages and pumping only waits).
#pragma once

#include <cstdint>
#include <functional>

namespace standin {

// Dispatches this thread's messages for `milliseconds`.
void PumpMessages(uint32_t milliseconds);
// Pumps until `done` answers true (checked between messages) or
// `timeoutMilliseconds` pass; returns the last answer of `done`.
bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMilliseconds = 10000);

}  // namespace standin
