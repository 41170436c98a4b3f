// IPv4 addresses as the GG packets and the sockets carry them: four bytes in
// network byte order, held in a uint32_t. Pure.
#pragma once

#include <cstdint>
#include <string>

namespace kvel {

// "127.0.0.2": the address as the log shows it.
std::string AddressText(uint32_t address);

// What an address says of where its holder is.
enum class AddressKind {
  Unspecified,  // 0.0.0.0: the holder named none
  Loopback,     // 127/8: this machine
  Private,      // 10/8, 172.16/12, 192.168/16: a home or office network
  CarrierNat,   // 100.64/10: the provider's shared space behind its NAT
  LinkLocal,    // 169.254/16: one link, no router
  Reserved,     // 0/8, 192.0.0/24, documentation, benchmarking, 240/4 and the like
  Public,       // anything else: reachable from the internet
};
AddressKind KindOf(uint32_t address);

// Whether the holder of `address` may sit behind a router, so that what it
// sends reaches others from another (the router's public) address.
bool BehindRouter(AddressKind kind);

}  // namespace kvel
