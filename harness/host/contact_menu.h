// Context menus of contact-list elements, as the host builds them: a
// MenuContext with its ElementRecord, place name and command list is handed
// to every registered menu callback, which offers commands through the
// host's OfferMenuItem ("Tlen/GetProcAddress" 0x1002); a click runs the
// offered command's click function with the same context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "stand_in_host.h"

namespace standin {

class ContactMenu {
 public:
  // Registers OfferMenuItem with `host` (once is enough; again is harmless).
  ContactMenu(Host& host, std::string place, std::string elementId, std::string protocol = "GG");
  ~ContactMenu();
  ContactMenu(const ContactMenu&) = delete;
  ContactMenu& operator=(const ContactMenu&) = delete;

  // Asks every registered menu callback once, in order of registration (a
  // callback registered twice is one callback, as removing it removes every
  // registration); returns their results. Starts Offered() anew.
  std::vector<int32_t> Build(int32_t event = 1);
  // Commands offered so far, in order.
  std::vector<std::string> Offered() const;
  // Runs the click function of the menu item registered under `command`.
  // False when no such item is registered.
  bool Click(const std::string& command, int32_t* result = nullptr);

  // The context handed to callbacks and clicks; tests may change its fields.
  kvel::host::MenuContext& Context() { return context_; }
  kvel::host::ElementRecord& Element() { return element_; }
  // The address OfferMenuItem must be given: the command list at offset 36.
  void* CommandListAddress() { return &context_.commandList; }

 private:
  Host& host_;
  std::string place_;
  std::string elementId_;
  std::string protocol_;
  kvel::host::ElementRecord element_{};
  kvel::host::MenuContext context_{};
  std::vector<std::string> offered_;  // guarded by the open menus' lock
};

// What OfferMenuItem was called with for an address that belongs to no open
// menu (a plug-in passing the wrong pointer); cleared by ContactMenu's Build.
std::vector<std::string> StrayMenuOffers();

}  // namespace standin
