// OwnUin: the user's own GG number, learnt from the outgoing login packet;
// 0 until the first login has passed. Written by the protocol hook only.
#pragma once

#include <cstdint>

namespace kvel::gg {

uint32_t OwnUin();
void SetOwnUin(uint32_t uin);

}  // namespace kvel::gg
