// How the transfer window opens what arrived: a file with the platform's
// default program, or its folder with the file selected. Each call returns
// at once; the platform is asked on a short thread of its own, so that a
// program slow to start never holds the window's thread. Tests observe a
// fake of it.
#pragma once

#include <memory>
#include <string>

namespace kvel::ui {

class FileOpener {
 public:
  virtual ~FileOpener() = default;
  virtual void Open(const std::string& path) = 0;
  virtual void ShowInFolder(const std::string& path) = 0;
};

// The platform's: one short thread per call (natively it opens nothing).
std::unique_ptr<FileOpener> PlatformFileOpener();

}  // namespace kvel::ui
