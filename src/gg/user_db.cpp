#include "gg/user_db.h"

#include "gg/contact_lookup.h"
#include "wire/peer_state.h"

namespace kvel::gg {
namespace {
int32_t Key(uint32_t uin) {
  return static_cast<int32_t>(uin);
}

// True when `mask` allows the icon of PeerState `state` (bit `state`).
bool IconAllowed(uint16_t mask, int state) {
  return (mask >> state & 1) != 0;
}

// The state pictures come from the module the host knows the plug-in by.
BitmapFunctions FromModule(BitmapFunctions functions, host::HostServices& services) {
  if (!functions.load) {
    functions.load = [&services](int id) {
      return platform::LoadBitmapResource(services.Module(), id);
    };
  }
  return functions;
}
}  // namespace

UserDB::UserDB(host::HostServices& services, const Settings& settings, BitmapFunctions bitmaps)
    : services_(services),
      settings_(settings),
      bitmaps_(FromModule(std::move(bitmaps), services)) {}

UserDB::~UserDB() {
  ClearUsers();
}

void UserDB::SetUser(uint32_t uin, uint32_t ip, uint16_t port) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    users_[Key(uin)] = user{uin, ip, port};
  }
  RefreshIcon(uin, port);
}

void UserDB::RemoveUser(uint32_t uin) {
  const std::optional<host::ContactEntry> contact = services_.FindContact(UinText(uin).c_str());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    users_.erase(Key(uin));
  }
  if (contact) services_.RemoveContactIcon(contact->item);
}

void UserDB::ClearUsers() {
  for (;;) {
    uint32_t uin;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (users_.empty()) return;
      uin = users_.begin()->second.uin;
    }
    RemoveUser(uin);
  }
}

std::optional<UserDB::user> UserDB::Find(uint32_t uin) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = users_.find(Key(uin));
  if (found == users_.end()) return std::nullopt;
  return found->second;
}

size_t UserDB::Size() {
  std::lock_guard<std::mutex> lock(mutex_);
  return users_.size();
}

void UserDB::RefreshIcon(uint32_t uin, uint16_t port) {
  const std::optional<host::ContactEntry> contact = services_.FindContact(UinText(uin).c_str());
  if (!contact) return;  // the host does not list it: no icon
  bitmaps_.LoadOnce();
  const wire::PeerState state = wire::PeerStateOf(port);
  // A masked state leaves whatever icon the contact had.
  if (!IconAllowed(settings_.iconMask, state)) return;
  host::IconPicture picture;
  picture.bitmap = bitmaps_.Get(state);
  if (picture.bitmap == nullptr) {
    services_.RemoveContactIcon(contact->item);
    return;
  }
  bitmaps_.Measure(picture.bitmap, &picture.width, &picture.height);
  picture.transparent = kStateBitmapBackground;
  services_.SetContactIcon(contact->item, picture);
}

}  // namespace kvel::gg
