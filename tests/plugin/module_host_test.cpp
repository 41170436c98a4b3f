// The module's host services: every call goes to the host record and module
// handle set last, a context calls the host through them, and a renewed
// context keeps both (they are the module's).
#include <gtest/gtest.h>

#include <string>

#include "plugin/host.h"
#include "plugin/plugin_context.h"

namespace kvel {
namespace {

// A host record whose functions note the module handle they were called with.
host::PluginHandle g_calledWith = nullptr;

host::Param KVEL_CALL Call(host::PluginHandle module, const char*, host::Param wparam,
                           host::Param) {
  g_calledWith = module;
  return wparam + 1;
}

int32_t KVEL_CALL Exists(host::PluginHandle module, const char*) {
  g_calledWith = module;
  return 1;
}

TEST(ModuleHost, CallsTheRecordAndModuleSetLastAcrossContexts) {
  host::HostLink link{0, 0, &Call, nullptr, &Exists};
  int moduleA = 0, moduleB = 0;
  struct Step {
    host::HostLink* link;
    host::PluginHandle module;
    host::Param called;  // CallService(x, 41, 0)
  } steps[] = {
      {nullptr, &moduleA, 0},  // no host record: every call answers 0
      {&link, &moduleA, 42},
      {&link, &moduleB, 42},
      {&link, nullptr, 42},
  };
  for (const Step& step : steps) {
    TheModuleHost().SetLink(step.link);
    TheModuleHost().SetModule(step.module);
    g_calledWith = &link;  // anything but a module
    EXPECT_EQ(TheModuleHost().CallService("x", 41, 0), step.called);
    if (step.link != nullptr) {
      EXPECT_EQ(g_calledWith, step.module);
    }
    // The typed services go the same way: the log asks whether its service exists.
    g_calledWith = &link;
    TheModuleHost().Log("line");
    if (step.link != nullptr) {
      EXPECT_EQ(g_calledWith, step.module);
    }
    EXPECT_EQ(TheModuleHost().Module(), step.module);
  }

  // A fresh context, as each LoadPlugin makes, calls the same host with the
  // same module handle.
  TheModuleHost().SetLink(&link);
  TheModuleHost().SetModule(&moduleA);
  StartPlugin({});
  EXPECT_EQ(TheModuleHost().Link(), &link);
  EXPECT_EQ(TheModuleHost().Module(), &moduleA);
  Plugin context(TheModuleHost());
  EXPECT_EQ(&context.Host(), &TheModuleHost());
  EXPECT_EQ(context.Host().CallService("x", 41, 0), 42);
  TheModuleHost().SetLink(nullptr);
  TheModuleHost().SetModule(nullptr);
}

}  // namespace
}  // namespace kvel
