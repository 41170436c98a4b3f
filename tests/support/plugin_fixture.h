// A stand-in host with the plug-in loaded into it, for tests that go through
// the plug-in's entry points (the DLL under Wine, the linked code natively).
#pragma once

#include <memory>
#include <string>

#include "plugin_module.h"
#include "stand_in_host.h"
#include "support/test_paths.h"

namespace kvel::testing {

// True when the tests run where only loopback is reached (a network
// namespace of their own): the plug-in's search for a router then reaches
// nothing. Elsewhere LoadedPlugin writes upnp=0 into the settings.
bool TestNetworkIsolated();

class LoadedPlugin {
 public:
  // Creates the host on a fresh profile directory and loads the module;
  // LoadPlugin itself is left to the test unless `start` is true.
  explicit LoadedPlugin(bool start = true, bool offerLog = false);
  ~LoadedPlugin();  // UnloadPlugin when started, then the module is freed

  void Start();
  void Stop();  // UnloadPlugin
  standin::Host& Host() { return *host_; }
  const standin::PluginModule& Module() const { return module_; }
  const std::string& Profile() const { return scratch_.Path(); }
  // The plug-in's own directory with its trailing separator.
  std::string PluginDirectory() const;

 private:
  ScratchDir scratch_;
  std::unique_ptr<standin::Host> host_;
  standin::PluginModule module_;
  bool started_ = false;
};

}  // namespace kvel::testing
