// Scratch directories for tests: fresh, unique, removed with the object.
#pragma once

#include <string>
#include <vector>

namespace kvel::testing {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  // The directory with a trailing separator ("\" on win32, "/" natively).
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  // The names of the files in it, sorted.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& content);
bool ReadFile(const std::string& path, std::string* content);
bool FileExists(const std::string& path);

}  // namespace kvel::testing
