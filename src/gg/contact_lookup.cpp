#include "gg/contact_lookup.h"

#include <cstring>

#include "host/service_names.h"

namespace kvel::gg {
namespace {

struct Search {
  const char* id;
  const host::ContactItem* found;
};

int32_t KVEL_CALL MatchItem(host::ContactItem* item, void* context) {
  auto* search = static_cast<Search*>(context);
  if (item == nullptr || item->kind != 3 || item->id == nullptr) return 0;
  if (std::strcmp(item->id, search->id) != 0) return 0;
  search->found = item;
  return -1;
}

}  // namespace

const host::ContactItem* FindContactItem(host::HostServices& services, const char* id) {
  Search search{id, nullptr};
  host::Enumeration enumeration{};
  enumeration.size = sizeof enumeration;
  enumeration.kind = 3;
  enumeration.callback = &MatchItem;
  enumeration.context = &search;
  services.CallService(host::kServiceEnumerateItems, reinterpret_cast<host::Param>(&enumeration),
                       0);
  return search.found;
}

std::string UinText(uint32_t uin) {
  return std::to_string(static_cast<int32_t>(uin));
}

std::string PeerDisplayName(host::HostServices& services, uint32_t uin) {
  const std::string id = UinText(uin);
  const host::ContactItem* item = FindContactItem(services, id.c_str());
  return item != nullptr && item->displayName != nullptr ? item->displayName : id;
}

}  // namespace kvel::gg
