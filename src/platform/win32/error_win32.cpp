#include <windows.h>

#include "platform/error.h"

namespace kvel::platform {

ErrorKind KindOf(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return ErrorKind::Exists;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ErrorKind::NoFolder;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
      return ErrorKind::NoAccess;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ErrorKind::DiskFull;
    case ERROR_FILENAME_EXCED_RANGE:
      return ErrorKind::TooLong;
    default:
      return ErrorKind::Other;
  }
}

}  // namespace kvel::platform
