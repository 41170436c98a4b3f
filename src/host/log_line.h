// Diagnostic lines for the optional "logplugin/add" service of another
// plug-in. Dropped without a trace when the service is absent.
#pragma once

#include <cstdint>

#include "host/host_services.h"

namespace kvel::host {

// Sends `text` with tag "vask" and the two flag bytes; returns the service's
// result, or 0 when there is no host or no log service.
int32_t LogLine(HostServices& host, const char* text, uint8_t flag1 = 1, uint8_t flag2 = 0);

}  // namespace kvel::host
