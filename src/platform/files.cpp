// The openers that the C library gives alike on every platform.
#include <cstdio>

#include "platform/files.h"

namespace kvel::platform {

FileHandle OpenFileForReading(const char* path) {
  return FileHandle(std::fopen(path, "rb"));
}

FileHandle OpenFileForRewriting(const char* path) {
  return FileHandle(std::fopen(path, "wb"));
}

FileHandle OpenFileForAppending(const char* path) {
  return FileHandle(std::fopen(path, "ab"));
}

}  // namespace kvel::platform
