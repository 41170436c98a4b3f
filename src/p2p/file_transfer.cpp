#include "p2p/file_transfer.h"

namespace kvel::p2p {

bool ReceiveFile(platform::Socket, uint32_t) {
  return false;
}
bool SendFile(platform::Socket, uint32_t) {
  return false;
}

}  // namespace kvel::p2p
