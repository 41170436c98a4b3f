#include "gg/menu_commands.h"

namespace kvel::gg {

int32_t KVEL_CALL MenuStateCallback(int32_t event, host::MenuContext* context) {
  (void)event;
  (void)context;
  return 0;
}

int32_t KVEL_CALL SendFileCommand(host::Param, host::MenuContext*) {
  return 0;
}

int32_t KVEL_CALL SendImageCommand(host::Param, host::MenuContext*) {
  return 0;
}

}  // namespace kvel::gg
