#include <chrono>
#include <cstdint>
#include <thread>

namespace standin {

// No window messages natively: waiting is all there is.
void DispatchPendingMessages(uint32_t waitMilliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(waitMilliseconds));
}

}  // namespace standin
