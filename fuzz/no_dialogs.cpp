// The user of the fuzz targets and the benchmark: refuses every question and
// cancels every file dialog, so that no path of the plug-in waits for a person.
#include "platform/dialogs.h"

namespace kvel::platform {

bool AskYesNo(const char*, const char*) {
  return false;
}
bool AskNoYes(const char*, const char*) {
  return false;
}
void ShowError(const char*, const char*) {}
bool ChooseSaveFile(FileDialog&) {
  return false;
}
bool ChooseOpenFile(FileDialog&) {
  return false;
}

}  // namespace kvel::platform
