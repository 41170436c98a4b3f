#include "transfers/side/stdio_file.h"

#include <cstdio>

#include "platform/files.h"

namespace kvel::transfers {
namespace {

class StdioFile final : public StreamFile {
 public:
  explicit StdioFile(std::FILE* file) : file_(file) {}
  ~StdioFile() override { Close(); }

  size_t Read(void* buffer, size_t count) override {
    const size_t got = std::fread(buffer, 1, count, file_);
    if (got < count && std::ferror(file_)) failed_ = true;
    return got;
  }

  bool Write(const void* data, size_t count) override {
    if (std::fwrite(data, 1, count, file_) != count) failed_ = true;
    return !failed_;
  }

  bool Seek(uint64_t offset) override { return platform::SeekFile(file_, offset); }

  bool Failed() const override { return failed_; }

  bool Close() override {
    if (file_ == nullptr) return !failed_;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
  }

 private:
  std::FILE* file_;
  bool failed_ = false;
};

std::unique_ptr<StreamFile> Own(std::FILE* file) {
  if (file == nullptr) return nullptr;
  return std::make_unique<StdioFile>(file);
}

}  // namespace

std::unique_ptr<StreamFile> OpenStdioFileForReading(const char* path) {
  return Own(std::fopen(path, "rb"));
}

std::unique_ptr<StreamFile> CreateStdioFile(const char* path, platform::FileProblem* problem) {
  return Own(platform::CreateNewFile(path, problem));
}

std::unique_ptr<StreamFile> OpenStdioFileForUpdate(const char* path) {
  return Own(platform::OpenFileForUpdate(path));
}

}  // namespace kvel::transfers
