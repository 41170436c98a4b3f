#include "ui/file_opener.h"

#include "platform/shell.h"
#include "platform/threads/worker.h"

namespace kvel::ui {
namespace {

class PlatformOpener final : public FileOpener {
 public:
  void Open(const std::string& path) override { Start(path, false); }
  void ShowInFolder(const std::string& path) override { Start(path, true); }

 private:
  // The thread holds the module while it runs and touches nothing of the
  // plug-in, so that it may outlive the window and the unloading.
  static void Start(const std::string& path, bool folder) {
    platform::Worker::StartDetached([path, folder] {
      if (folder)
        platform::ShowInFolder(path.c_str());
      else
        platform::OpenWithDefaultProgram(path.c_str());
    });
  }
};

}  // namespace

std::unique_ptr<FileOpener> PlatformFileOpener() {
  return std::make_unique<PlatformOpener>();
}

}  // namespace kvel::ui
