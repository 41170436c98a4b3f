// UserDB: the direct-connection address and port each GG contact last
// announced, keyed by its number, and the contact-list icon that shows it.
// One lock guards the table; it is never held while the host is called.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "common/settings.h"
#include "gg/state_bitmaps.h"
#include "host/host_services.h"

namespace kvel::gg {

class UserDB {
 public:
  struct user {
    uint32_t uin = 0;
    uint32_t ip = 0;    // network byte order, as the packet carried it
    uint16_t port = 0;  // or a special value, see PeerStateOf
  };

  // Icons go through `services`, shown as `settings` allow at the time; both
  // outlive the table.
  UserDB(host::HostServices& services, const Settings& settings, BitmapFunctions bitmaps = {});
  // Empties the table (each listed contact loses its icon), then the state
  // bitmaps are deleted.
  ~UserDB();
  UserDB(const UserDB&) = delete;
  UserDB& operator=(const UserDB&) = delete;

  // Stores or overwrites the entry, then refreshes the contact's icon.
  void SetUser(uint32_t uin, uint32_t ip, uint16_t port);
  // Erases the entry and removes the contact's icon, also when there was no
  // entry for a listed contact.
  void RemoveUser(uint32_t uin);
  // RemoveUser for every entry, smallest number (signed) first.
  void ClearUsers();
  // A connection needs the address and port from one look-up:
  // LookupPeerAddressIn (gg/peer_address.h).
  std::optional<user> Find(uint32_t uin);
  size_t Size();

 private:
  void RefreshIcon(uint32_t uin, uint16_t port);

  host::HostServices& services_;
  const Settings& settings_;
  std::mutex mutex_;
  std::map<int32_t, user> users_;
  StateBitmaps bitmaps_;
};

}  // namespace kvel::gg
