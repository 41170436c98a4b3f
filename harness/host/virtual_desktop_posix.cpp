#include "virtual_desktop.h"

namespace standin {

bool RegisterVirtualDesktop(const char*, int, int) {
  return false;
}

bool EnterVirtualDesktop(const char*, int, int) {
  return false;
}

}  // namespace standin
