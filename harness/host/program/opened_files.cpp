#include "opened_files.h"

#include <windows.h>

#include <fstream>

namespace standin {
namespace {

bool SetDefault(const std::string& key, const std::string& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const bool set =
      RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return set;
}

}  // namespace

bool RecordOpensIn(const std::string& log) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string type = "kvel.recorded";
  return SetDefault(kRecordedKind, type) &&
         SetDefault(type + "\\shell\\open\\command",
                    "\"" + std::string(self) + "\" --opened \"" + log + "\" \"%1\"");
}

int RecordOpened(const std::string& log, const std::string& path) {
  std::ofstream out(log, std::ios::app);
  out << path << "\n";
  return out ? 0 : 1;
}

std::vector<std::string> OpenedFiles(const std::string& log) {
  std::vector<std::string> paths;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) paths.push_back(line);
  return paths;
}

}  // namespace standin
