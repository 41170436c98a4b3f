// The exported entry points of the plug-in module.
#pragma once

#include <cstdint>

#include "host/host_api.h"

extern "C" {
const kvel::host::PluginInfo* KVEL_CALL GetPluginInfo();
int32_t KVEL_CALL LoadPlugin(kvel::host::HostLink* link);
int32_t KVEL_CALL UnloadPlugin();
}
