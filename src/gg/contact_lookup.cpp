#include "gg/contact_lookup.h"

namespace kvel::gg {

std::string UinText(uint32_t uin) {
  return std::to_string(static_cast<int32_t>(uin));
}

std::string PeerDisplayName(host::HostServices& services, uint32_t uin) {
  std::string id = UinText(uin);
  std::optional<host::ContactEntry> contact = services.FindContact(id.c_str());
  return contact && contact->displayName ? *contact->displayName : id;
}

}  // namespace kvel::gg
