#include "ui/file_opener.h"

#include "platform/shell.h"
#include "platform/threads.h"

namespace kvel::ui {
namespace {

struct Opening {
  std::string path;
  bool folder = false;
};

void RunOpening(void* argument) {
  const std::unique_ptr<Opening> opening(static_cast<Opening*>(argument));
  if (opening->folder)
    platform::ShowInFolder(opening->path.c_str());
  else
    platform::OpenWithDefaultProgram(opening->path.c_str());
}

class PlatformOpener final : public FileOpener {
 public:
  void Open(const std::string& path) override { Start(path, false); }
  void ShowInFolder(const std::string& path) override { Start(path, true); }

 private:
  // The thread holds the module while it runs and touches nothing of the
  // plug-in, so that it may outlive the window and the unloading.
  static void Start(const std::string& path, bool folder) {
    auto* opening = new Opening{path, folder};
    if (!platform::SpawnDetachedThread(&RunOpening, opening)) delete opening;
  }
};

}  // namespace

std::unique_ptr<FileOpener> PlatformFileOpener() {
  return std::make_unique<PlatformOpener>();
}

}  // namespace kvel::ui
