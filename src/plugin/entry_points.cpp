// GetPluginInfo, LoadPlugin and UnloadPlugin: the order in which the plug-in
// comes to life in the host and is taken down again.
#include "common/texts.h"
#include "plugin/host.h"
#include "plugin/plugin_context.h"
#include "plugin/plugin_info.h"
#include "plugin/plugin_setup.h"

namespace kvel {
namespace {

constexpr uint32_t kPluginVersion = 0x10501;
constexpr uint32_t kInterfaceVersion = 0x101;

const host::PluginInfo kPluginInfo = {sizeof(host::PluginInfo),
                                      text::kPluginName,
                                      kPluginVersion,
                                      kInterfaceVersion,
                                      text::kDescription,
                                      text::kNotice,
                                      text::kAuthor,
                                      text::kAuthorContact,
                                      "",
                                      {0, 0, 0, 0}};

}  // namespace
}  // namespace kvel

using namespace kvel;

extern "C" const host::PluginInfo* KVEL_CALL GetPluginInfo() {
  return &kPluginInfo;
}

extern "C" int32_t KVEL_CALL LoadPlugin(host::HostLink* link) {
  TheModuleHost().SetLink(link);
  StartPlugin(ReadPluginSetup(TheModuleHost())).Start();
  return 0;
}

extern "C" int32_t KVEL_CALL UnloadPlugin() {
  // A connection thread that outlives the stop (held by a question box)
  // finds no window and says nothing to the host.
  ThePlugin().Stop();
  return 0;
}
