// Taking files from trusted contacts without asking: the section's
// settings, each contact's budget and the names under way. The plug-in owns
// one; each received offer asks it whether, and where, its file is taken.
//
// Thread safety: Configure once before any transfer; the rest from any
// thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/settings.h"
#include "platform/clock.h"
#include "transfers/auto_accept/auto_accept_budget.h"
#include "transfers/auto_accept/auto_accept_rule.h"
#include "transfers/auto_accept/receiving_names.h"
#include "transfers/side/transfer_folders.h"

namespace kvel::transfers {

class AutoAcceptor {
 public:
  // The contacts' budgets run on `clock`. Off until configured.
  explicit AutoAcceptor(platform::Clock clock);
  AutoAcceptor(const AutoAcceptor&) = delete;
  AutoAcceptor& operator=(const AutoAcceptor&) = delete;

  // Once, as the plug-in starts: `defaultFolder` (ending with a separator;
  // empty: none) takes the files when the settings name no folder. No file
  // is ever taken into `dataFolder` (kvel's own, whose image cache trusts
  // its names), however the settings spell it.
  void Configure(AutoAcceptSettings settings, std::string defaultFolder,
                 std::string dataFolder = {});
  bool On() const { return settings_.On(); }
  // The folder files are taken into; empty when there is none.
  const std::string& Folder() const { return folder_; }

  // What becomes of an offer: a path held for it in the folder, or nothing
  // and why it is asked (empty for a contact not listed: nothing to say).
  struct Decision {
    ReceivingNames::Hold place;
    std::string why;
  };
  // An offer of `size` bytes under the sanitised `name` from `uin`, over a
  // connection from `origin`: judged by the rule, counted against the
  // contact's budget, its folder made when missing, and the first name
  // that is neither on disk nor held by another transfer held for it.
  Decision Consider(uint32_t uin, const std::string& name, int64_t size, const OfferOrigin& origin,
                    TransferFolders& folders);
  // The first free name for `name` again, after the one held was found
  // taken on disk as the file was put in place. Empty when none is free.
  ReceivingNames::Hold HoldNextFreeName(const std::string& name, TransferFolders& folders);

 private:
  AutoAcceptSettings settings_;
  std::string folder_;
  std::string dataFolder_;
  AutoAcceptBudget budget_;
  ReceivingNames names_;
};

// One received offer's chance of being taken without asking: what the
// file-transfer stream is handed beside its connection.
struct AutoAccepting {
  AutoAcceptor& acceptor;
  OfferOrigin origin;
  // A diagnostic line: why an offer of a listed contact is asked.
  std::function<void(const std::string&)> log;
};

}  // namespace kvel::transfers
