// A failure at the platform boundary: which operation failed and the
// platform's own code for why (the thread's last-error value on win32,
// errno on POSIX).
#pragma once

namespace kvel::platform {

struct Error {
  const char* operation = "";  // "socket", "connect", "move"
  int code = 0;
};

}  // namespace kvel::platform
