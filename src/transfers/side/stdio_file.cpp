#include "transfers/side/stdio_file.h"

#include <utility>

namespace kvel::transfers {
namespace {

class PlatformFile final : public StreamFile {
 public:
  explicit PlatformFile(platform::FileHandle file) : file_(std::move(file)) {}

  size_t Read(void* buffer, size_t count) override { return file_.Read(buffer, count); }
  bool Write(const void* data, size_t count) override { return file_.Write(data, count); }
  bool Seek(uint64_t offset) override { return file_.Seek(offset); }
  bool Failed() const override { return file_.Failed(); }
  bool Close() override { return file_.Close(); }

 private:
  platform::FileHandle file_;
};

}  // namespace

std::unique_ptr<StreamFile> StreamFileOf(platform::FileHandle file) {
  if (!file) return nullptr;
  return std::make_unique<PlatformFile>(std::move(file));
}

}  // namespace kvel::transfers
