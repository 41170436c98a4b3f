// A received file in the making. It is written beside its target as
// "<target>.<8 hex digits>.kvel-part": the same folder, so that putting it
// in place is a rename and never a copy; the digits keep two transfers to
// the same target apart; the suffix tells the user it is incomplete. Only
// Commit puts it in the target's place, so an existing target survives every
// failure; a part file that is not committed is removed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transfers/transfer_side.h"

namespace kvel::transfers {

inline constexpr char kPartFileSuffix[] = ".kvel-part";

// The part file's name for `target` and a number that tells it apart.
std::string PartFileName(const std::string& target, uint32_t unique);

class PartFile {
 public:
  // Creates a new part file beside `target`, named from `seed` (another name
  // is tried when one exists already); null when none can be created, also
  // when the suffix takes the path past the platform's length limit.
  static std::unique_ptr<PartFile> Create(TransferSide& side, const std::string& target,
                                          uint32_t seed);
  ~PartFile();
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  StreamFile& File() { return *file_; }
  const std::string& Path() const { return path_; }
  // Closes the file and moves it over the target. False when either failed;
  // the part file is then removed and the target left as it was.
  bool Commit();

 private:
  PartFile(TransferSide& side, std::string target, std::string path,
           std::unique_ptr<StreamFile> file);

  TransferSide& side_;
  std::string target_;
  std::string path_;
  std::unique_ptr<StreamFile> file_;
  bool closed_ = false;
  bool committed_ = false;
};

}  // namespace kvel::transfers
