#include <windows.h>

#include <utility>

#include "platform/error.h"

namespace kvel::platform {

ErrorKind KindOf(int code) {
  static constexpr std::pair<DWORD, ErrorKind> kKinds[] = {
      {ERROR_FILE_EXISTS, ErrorKind::Exists},
      {ERROR_ALREADY_EXISTS, ErrorKind::Exists},
      {ERROR_PATH_NOT_FOUND, ErrorKind::NoFolder},
      {ERROR_FILE_NOT_FOUND, ErrorKind::NoFolder},
      {ERROR_INVALID_DRIVE, ErrorKind::NoFolder},
      {ERROR_BAD_NETPATH, ErrorKind::NoFolder},
      {ERROR_ACCESS_DENIED, ErrorKind::NoAccess},
      {ERROR_WRITE_PROTECT, ErrorKind::NoAccess},
      {ERROR_SHARING_VIOLATION, ErrorKind::NoAccess},
      {ERROR_DISK_FULL, ErrorKind::DiskFull},
      {ERROR_HANDLE_DISK_FULL, ErrorKind::DiskFull},
      {ERROR_FILENAME_EXCED_RANGE, ErrorKind::TooLong},
  };
  for (const auto& [known, kind] : kKinds)
    if (known == static_cast<DWORD>(code)) return kind;
  return ErrorKind::Other;
}

}  // namespace kvel::platform
