// What a file transfer asks its user: whether to take an offer or go on
// from a kept part, and which file to save or send.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialogs.h"

namespace kvel::transfers {

class UserQuestions {
 public:
  virtual ~UserQuestions() = default;
  // The contact's display name, or the number in decimal.
  virtual std::string PeerName(uint32_t uin) = 0;
  virtual bool AskYesNo(const char* text, const char* caption) = 0;
  virtual bool ChooseSaveFile(platform::FileDialog& dialog) = 0;
  virtual bool ChooseOpenFile(platform::FileDialog& dialog) = 0;
};

}  // namespace kvel::transfers
