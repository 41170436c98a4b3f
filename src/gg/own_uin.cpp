#include "gg/own_uin.h"

#include <atomic>

namespace kvel::gg {
namespace {
std::atomic<uint32_t> g_ownUin{0};
}

uint32_t OwnUin() {
  return g_ownUin.load(std::memory_order_relaxed);
}
void SetOwnUin(uint32_t uin) {
  g_ownUin.store(uin, std::memory_order_relaxed);
}

}  // namespace kvel::gg
