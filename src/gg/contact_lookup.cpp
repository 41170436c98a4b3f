#include "gg/contact_lookup.h"

namespace kvel::gg {

const host::ContactItem* FindContactItem(const char*) {
  return nullptr;
}

std::string UinText(uint32_t uin) {
  return std::to_string(static_cast<int32_t>(uin));
}

std::string PeerDisplayName(uint32_t uin) {
  const std::string id = UinText(uin);
  const host::ContactItem* item = FindContactItem(id.c_str());
  return item != nullptr && item->displayName != nullptr ? item->displayName : id;
}

}  // namespace kvel::gg
