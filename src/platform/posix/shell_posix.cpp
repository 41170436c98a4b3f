// The native build has no desktop to open files on.
#include "platform/shell.h"

namespace kvel::platform {

bool OpenWithDefaultProgram(const char*) {
  return false;
}

bool ShowInFolder(const char*) {
  return false;
}

}  // namespace kvel::platform
