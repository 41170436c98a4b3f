#include <cerrno>

#include "platform/error.h"

namespace kvel::platform {

ErrorKind KindOf(int code) {
  switch (code) {
    case EEXIST:
      return ErrorKind::Exists;
    case ENOENT:
    case ENOTDIR:
      return ErrorKind::NoFolder;
    case EACCES:
    case EPERM:
    case EROFS:
      return ErrorKind::NoAccess;
    case ENOSPC:
    case EDQUOT:
      return ErrorKind::DiskFull;
    case ENAMETOOLONG:
      return ErrorKind::TooLong;
    default:
      return ErrorKind::Other;
  }
}

}  // namespace kvel::platform
