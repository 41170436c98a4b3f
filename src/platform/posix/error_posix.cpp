#include <cerrno>
#include <utility>

#include "platform/error.h"

namespace kvel::platform {

ErrorKind KindOf(int code) {
  static constexpr std::pair<int, ErrorKind> kKinds[] = {
      {EEXIST, ErrorKind::Exists},        {ENOENT, ErrorKind::NoFolder},
      {ENOTDIR, ErrorKind::NoFolder},     {EACCES, ErrorKind::NoAccess},
      {EPERM, ErrorKind::NoAccess},       {EROFS, ErrorKind::NoAccess},
      {ENOSPC, ErrorKind::DiskFull},      {EDQUOT, ErrorKind::DiskFull},
      {ENAMETOOLONG, ErrorKind::TooLong},
  };
  for (const auto& [known, kind] : kKinds)
    if (known == code) return kind;
  return ErrorKind::Other;
}

}  // namespace kvel::platform
