// The values of the section [autoaccept] of kvel.config, as the platform's
// profile reading gives their texts:
//
//   uins=1001,1002   GG numbers (1 to 4294967295) separated by commas,
//                    blanks around each allowed; empty or missing: off
//   maxkb=10240      a whole number of KB from 1 to 4194304 (4 GiB);
//                    empty or missing: 10240
//   dir=C:\Odebrane  an absolute folder of at most 247 characters; empty or
//                    missing: the "odebrane" folder in kvel's data folder
//
// In each value a ';' at its start or after a blank begins a comment. Any
// other form is malformed, and the whole section is then off. Pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/settings.h"

namespace kvel::transfers {

// Numbers listed at most: each offer looks its contact up among them.
inline constexpr size_t kMaxTrustedUins = 256;
// Offsets and sizes of 4 GiB and more are beyond what resuming carries.
inline constexpr uint32_t kMaxAutoAcceptKb = 4u * 1024 * 1024;
// The deepest folder Windows makes: one that leaves room for an 8.3 name.
inline constexpr size_t kMaxAutoAcceptFolder = 247;

struct AutoAcceptParse {
  AutoAcceptSettings settings;  // off when `problem` says why
  std::string problem;          // empty when the section reads as written
};

// The settings the three values make, or off with the reason. `dataFolder`
// (ending with a separator) is kvel's own: a peer's files never go there,
// beside the image cache and the kept parts' list.
AutoAcceptParse ParseAutoAccept(std::string_view uins, std::string_view maxkb, std::string_view dir,
                                std::string_view dataFolder = {});

// A value without its comment and the blanks around it.
std::string_view WithoutComment(std::string_view value);

}  // namespace kvel::transfers
