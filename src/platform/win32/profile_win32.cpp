#include <windows.h>

#include "platform/profile.h"

namespace kvel::platform {

uint32_t ProfileInt(const char* section, const char* key, int32_t fallback, const char* path) {
  return GetPrivateProfileIntA(section, key, fallback, path);
}

size_t ProfileString(const char* section, const char* key, const char* fallback, char* out,
                     size_t size, const char* path) {
  return GetPrivateProfileStringA(section, key, fallback, out, static_cast<DWORD>(size), path);
}

}  // namespace kvel::platform
