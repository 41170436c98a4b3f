// What a file transfer reaches beyond its connection and its record: the
// user (questions and file dialogs), the files it reads and writes, the
// folders they lie in, and the kept parts of cut transfers. The product
// binds the platform (platform_side.h); tests bind recording fakes. Each
// piece of the stream takes only the seams it uses.
#pragma once

#include <concepts>

#include "transfers/side/transfer_files.h"
#include "transfers/side/transfer_folders.h"
#include "transfers/side/user_questions.h"

namespace kvel::transfers {

class KeptParts;

// One object that binds all three seams and says where its parts are kept
// (the product's side, a test's fake).
template <class T>
concept WholeTransferSide = std::derived_from<T, UserQuestions> &&
    std::derived_from<T, TransferFiles> && std::derived_from<T, TransferFolders> &&
    requires(T& side) {
  { side.Kept() } -> std::convertible_to<KeptParts*>;
};

struct TransferSide {
  TransferSide(UserQuestions& user, TransferFiles& files, TransferFolders& folders, KeptParts* kept)
      : user(user), files(files), folders(folders), kept(kept) {}
  template <WholeTransferSide Whole>
  TransferSide(Whole& whole) : TransferSide(whole, whole, whole, whole.Kept()) {}

  UserQuestions& user;
  TransferFiles& files;
  TransferFolders& folders;
  // Where the parts of cut transfers are listed; null when none are kept
  // (then every part that does not take its target's place is removed).
  KeptParts* kept;
};

}  // namespace kvel::transfers
