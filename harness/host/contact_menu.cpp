#include "contact_menu.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace standin {
namespace host = kvel::host;

namespace {

// Every menu being built, by the address of its command list.
struct OpenMenus {
  std::mutex mutex;
  std::map<void*, std::vector<std::string>*> offered;
  std::vector<std::string> stray;
};

OpenMenus& Menus() {
  static OpenMenus menus;
  return menus;
}

int32_t KVEL_CALL OfferMenuItem(void* commandList, const char* command) {
  OpenMenus& menus = Menus();
  std::lock_guard<std::mutex> lock(menus.mutex);
  auto found = menus.offered.find(commandList);
  if (found == menus.offered.end()) {
    menus.stray.push_back(TextAt(command));
    return 0;
  }
  found->second->push_back(TextAt(command));
  return 1;
}

}  // namespace

std::vector<std::string> StrayMenuOffers() {
  std::lock_guard<std::mutex> lock(Menus().mutex);
  return Menus().stray;
}

ContactMenu::ContactMenu(Host& host, std::string place, std::string elementId, std::string protocol)
    : host_(host),
      place_(std::move(place)),
      elementId_(std::move(elementId)),
      protocol_(std::move(protocol)) {
  host_.RegisterProc(host::kOfferMenuItemProc, reinterpret_cast<Param>(&OfferMenuItem));
  element_.id = elementId_.c_str();
  element_.protocol = protocol_.c_str();
  context_.place = place_.c_str();
  context_.element = &element_;
  context_.building = 1;
  std::lock_guard<std::mutex> lock(Menus().mutex);
  Menus().offered[CommandListAddress()] = &offered_;
}

ContactMenu::~ContactMenu() {
  std::lock_guard<std::mutex> lock(Menus().mutex);
  Menus().offered.erase(CommandListAddress());
}

std::vector<int32_t> ContactMenu::Build(int32_t event) {
  {
    std::lock_guard<std::mutex> lock(Menus().mutex);
    offered_.clear();
    Menus().stray.clear();
  }
  std::vector<host::MenuCallbackFn> callbacks;
  for (host::MenuCallbackFn callback : host_.MenuCallbacks()) {
    if (std::find(callbacks.begin(), callbacks.end(), callback) == callbacks.end()) {
      callbacks.push_back(callback);
    }
  }
  std::vector<int32_t> results;
  for (host::MenuCallbackFn callback : callbacks) results.push_back(callback(event, &context_));
  return results;
}

std::vector<std::string> ContactMenu::Offered() const {
  std::lock_guard<std::mutex> lock(Menus().mutex);
  return offered_;
}

bool ContactMenu::Click(const std::string& command, int32_t* result) {
  for (const RegisteredMenuItem& item : host_.MenuItems()) {
    if (item.name != command || item.click == nullptr) continue;
    const int32_t value = item.click(0, &context_);
    if (result != nullptr) *result = value;
    return true;
  }
  return false;
}

}  // namespace standin
