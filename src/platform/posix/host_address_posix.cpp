#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/host_address.h"

namespace kvel::platform {

std::vector<uint32_t> LocalHostAddresses() {
  std::vector<uint32_t> addresses;
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return addresses;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &list) != 0) return addresses;
  for (addrinfo* item = list; item != nullptr; item = item->ai_next) {
    const auto* address = reinterpret_cast<const sockaddr_in*>(item->ai_addr);
    addresses.push_back(address->sin_addr.s_addr);
  }
  freeaddrinfo(list);
  return addresses;
}

}  // namespace kvel::platform
