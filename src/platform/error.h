// A failure at the platform boundary: which operation failed, the platform's
// own code for why (the thread's last-error value on win32, errno on POSIX),
// and what that code means as far as the user can act on it. The one error
// type every platform call reports through.
#pragma once

namespace kvel::platform {

// What a failure means to the user, whatever the platform's code.
enum class ErrorKind {
  None,
  Exists,    // a file of that name is there already
  NoFolder,  // the folder is not there
  NoAccess,  // not allowed, or the medium is read-only
  DiskFull,
  TooLong,  // the path is past the platform's limit
  Other,
};

struct Error {
  const char* operation = "";  // "socket", "connect", "create", "move"
  int code = 0;
  ErrorKind kind = ErrorKind::None;
};

// The kind of a failure whose platform code is `code` (errno on POSIX, a
// last-error value on win32); Other for any code the user cannot act on.
ErrorKind KindOf(int code);
// Puts a failure of `operation` with the platform's `code` in `error` when
// given, its kind filled in; false, for the caller to return.
inline bool Fail(Error* error, const char* operation, int code) {
  if (error != nullptr) *error = Error{operation, code, KindOf(code)};
  return false;
}

}  // namespace kvel::platform
