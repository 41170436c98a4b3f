#include "opened_files.h"

#include <windows.h>

#include <fstream>

namespace standin {

bool RecordOpensIn(const std::string& log) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string command = "\"" + std::string(self) + "\" --opened \"" + log + "\" \"%1\"";
  for (const auto& [key, value] :
       {std::pair<std::string, std::string>{kRecordedKind, "kvel.recorded"},
        {"kvel.recorded\\shell\\open\\command", command}}) {
    if (RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                     static_cast<DWORD>(value.size())) != ERROR_SUCCESS)
      return false;
  }
  return true;
}

int RecordOpened(const std::string& log, const std::string& path) {
  std::ofstream out(log, std::ios::app);
  out << path << "\n";
  return out ? 0 : 1;
}

}  // namespace standin
