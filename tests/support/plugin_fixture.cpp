#include "support/plugin_fixture.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace kvel::testing {

LoadedPlugin::LoadedPlugin(bool start, bool offerLog)
    : host_(std::make_unique<standin::Host>(scratch_.Path())) {
  host_->OfferLogService(offerLog);
  std::string error;
  if (!module_.Load(standin::DefaultPluginPath(), &error)) ADD_FAILURE() << error;
  if (start) Start();
}

LoadedPlugin::~LoadedPlugin() {
  if (started_) Stop();
  module_.Unload();
}

void LoadedPlugin::Start() {
  module_.LoadPlugin(host_->Link());
  started_ = true;
}

void LoadedPlugin::Stop() {
  module_.UnloadPlugin();
  started_ = false;
}

std::string LoadedPlugin::PluginDirectory() const {
  return scratch_.Path() + "kvel" + platform::kPathSeparator;
}

}  // namespace kvel::testing
