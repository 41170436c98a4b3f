// What the plug-in's logic asks of the host: its services by name, and the
// module that owns the plug-in's resources. The plug-in binds the real host;
// tests bind the stand-in host.
#pragma once

#include <cstdint>

#include "host/host_api.h"

namespace kvel::host {

class HostServices {
 public:
  // Calls a host service; 0 while there is no host.
  virtual Param CallService(const char* service, Param wparam, Param lparam) = 0;
  // Non-zero when the host offers the service; 0 while there is no host.
  virtual int32_t ServiceExists(const char* service) = 0;
  // The module's instance handle (dialogs and bitmaps come from it).
  virtual PluginHandle Module() = 0;

 protected:
  ~HostServices() = default;
};

}  // namespace kvel::host
