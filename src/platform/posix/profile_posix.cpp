#include <fstream>
#include <string>

#include "platform/profile.h"
#include "platform/profile_grammar.h"

namespace kvel::platform {
namespace {
std::string ReadWhole(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
}  // namespace

uint32_t ProfileInt(const char* section, const char* key, int32_t fallback, const char* path) {
  return profile::ReadInt(ReadWhole(path), section, key, fallback);
}

size_t ProfileString(const char* section, const char* key, const char* fallback, char* out,
                     size_t size, const char* path) {
  return profile::ReadString(ReadWhole(path), section, key, fallback, out, size);
}

}  // namespace kvel::platform
