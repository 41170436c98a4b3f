#include "transfers/part_file.h"

#include <cstdio>

namespace kvel::transfers {
namespace {

// Names tried before giving up; each exists already only by a rare chance.
constexpr int kNameAttempts = 16;

}  // namespace

std::string PartFileName(const std::string& target, uint32_t unique) {
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(unique));
  return target + "." + digits + kPartFileSuffix;
}

std::unique_ptr<PartFile> PartFile::Create(TransferSide& side, const std::string& target,
                                           uint32_t seed) {
  // Names from different seeds rarely meet; when one exists already
  // (another transfer's, or a stale one) it is left alone and the next is
  // tried.
  const uint32_t spread = seed * 2654435761u;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string path = PartFileName(target, spread + static_cast<uint32_t>(attempt) * 0x9E3779B9u);
    std::unique_ptr<StreamFile> file = side.CreateNewFile(path.c_str());
    if (file != nullptr) {
      return std::unique_ptr<PartFile>(
          new PartFile(side, target, std::move(path), std::move(file)));
    }
  }
  return nullptr;
}

PartFile::PartFile(TransferSide& side, std::string target, std::string path,
                   std::unique_ptr<StreamFile> file)
    : side_(side), target_(std::move(target)), path_(std::move(path)), file_(std::move(file)) {}

PartFile::~PartFile() {
  if (committed_) return;
  if (!closed_) file_->Close();
  side_.RemoveFile(path_.c_str());
}

bool PartFile::Commit() {
  if (closed_) return committed_;
  closed_ = true;
  committed_ = file_->Close() && side_.MoveFileOver(path_.c_str(), target_.c_str());
  return committed_;
}

}  // namespace kvel::transfers
