#include "support/test_paths.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace kvel::testing {
namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  std::random_device random;
  fs::path base = fs::temp_directory_path() /
                  ("kvel-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
  fs::create_directories(base);
  path_ = base.string();
#ifdef _WIN32
  path_ += '\\';
#else
  path_ += '/';
#endif
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(fs::path(path_), ignored);
}

std::vector<std::string> ScratchDir::Names() const {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(path_), ignored)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool ReadFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool FileExists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::path(path), ignored);
}

}  // namespace kvel::testing
