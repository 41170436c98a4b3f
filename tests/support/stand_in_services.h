// Host services for tests of the floors below the plug-in: the stand-in host
// (calls go to it as the plug-in's calls through the host's record do), or
// no host at all.
#pragma once

#include "host/host_services.h"
#include "stand_in_host.h"

namespace kvel::testing {

class StandInServices final : public host::HostServices {
 public:
  // `host` outlives the services; `module` is what Module() answers.
  explicit StandInServices(standin::Host& host, host::PluginHandle module = nullptr)
      : host_(host), module_(module) {}
  host::Param CallService(const char* service, host::Param wparam, host::Param lparam) override {
    return host_.Call(service, wparam, lparam);
  }
  int32_t ServiceExists(const char* service) override { return host_.Exists(service); }
  host::PluginHandle Module() override { return module_; }

 private:
  standin::Host& host_;
  host::PluginHandle module_;
};

// No host: every service answers 0, as the plug-in's own binding does
// before LoadPlugin (contacts are named by their numbers).
class NoHostServices final : public host::HostServices {
 public:
  host::Param CallService(const char*, host::Param, host::Param) override { return 0; }
  int32_t ServiceExists(const char*) override { return 0; }
  host::PluginHandle Module() override { return nullptr; }
};

}  // namespace kvel::testing
