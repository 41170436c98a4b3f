// Gateway: the few requests kvel makes of the home router's UPnP service, as
// the mapping needs them. UpnpGateway answers them through miniupnpc; tests
// script the answers. Every text comes as the router sent it: the mapping
// reads it with router_answers.h, never trusting its form.
#pragma once

#include <cstdint>
#include <string>

namespace kvel::router {

// A request's outcome: 0 when the router did it, a UPnP error code (such as
// kConflict) when it refused, negative when no answer came.
inline constexpr int kDone = 0;
inline constexpr int kConflict = 718;       // ConflictInMappingEntry
inline constexpr int kOnlyPermanent = 725;  // OnlyPermanentLeasesSupported
inline constexpr int kNoSuchEntry = 714;    // NoSuchEntryInArray
inline constexpr int kNoAnswer = -1;

// What a search for the router found.
struct Found {
  // None: no router answered. Valid: a connected router with a public
  // external address (miniupnpc's answer 1, the only one kvel maps on).
  // Unfit: a router that answered otherwise; `externalAddress` says what it
  // gave, so that the log can tell why it is not used.
  enum class Kind { None, Valid, Unfit };
  Kind kind = Kind::None;
  std::string descriptionUrl;   // the router's description, to be remembered
  std::string lanAddress;       // this machine's address that reaches it
  std::string externalAddress;  // as the router wrote it
};

// One mapping as the router lists it.
struct Entry {
  std::string internalClient;
  std::string internalPort;
  std::string description;
};

class Gateway {
 public:
  virtual ~Gateway() = default;
  // Finds the router: first at `rememberedUrl` (when not empty), which
  // spares the search; else by a search of at most about `searchMs`.
  virtual Found Find(const std::string& rememberedUrl, uint32_t searchMs) = 0;
  // Maps TCP `externalPort` on the router to `internalClient`:`internalPort`.
  // `leaseSeconds` 0 asks for a permanent mapping.
  virtual int Map(uint16_t externalPort, const std::string& internalClient, uint16_t internalPort,
                  const std::string& description, uint32_t leaseSeconds) = 0;
  virtual int Remove(uint16_t externalPort) = 0;
  // The router's mapping of TCP `externalPort`; kNoSuchEntry when none.
  virtual int EntryOf(uint16_t externalPort, Entry* entry) = 0;
};

}  // namespace kvel::router
