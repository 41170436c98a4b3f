#include <winsock2.h>
#include <windows.h>

#include <cstring>

#include "platform/host_address.h"

namespace kvel::platform {

std::vector<uint32_t> LocalHostAddresses() {
  std::vector<uint32_t> addresses;
  char name[16] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return addresses;
  // The lookup must not depend on whoever else started the socket library;
  // the library counts its starts, so this pair is harmless when it runs.
  WSADATA data;
  if (WSAStartup(0x0202, &data) != 0) return addresses;
  if (hostent* entry = gethostbyname(name);
      entry != nullptr && entry->h_addrtype == AF_INET && entry->h_length == 4) {
    for (char** item = entry->h_addr_list; *item != nullptr; ++item) {
      uint32_t address;
      std::memcpy(&address, *item, 4);
      addresses.push_back(address);
    }
  }
  WSACleanup();
  return addresses;
}

}  // namespace kvel::platform
