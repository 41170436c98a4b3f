#include "plugin/host.h"

#include "plugin/plugin_context.h"

namespace kvel {

host::HostLink* HostLinkRecord() {
  return TheModuleHost().Link();
}
void SetHostLink(host::HostLink* link) {
  TheModuleHost().SetLink(link);
}

host::HostServices& ProcessHost() {
  return TheModuleHost();
}

}  // namespace kvel
