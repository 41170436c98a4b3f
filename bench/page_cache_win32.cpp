// Windows has no call that drops a file from the page cache. Under Wine the
// files are the Linux host's own: after FlushFileBuffers (an fsync there),
// the host's dd drops them (its "nocache" is posix_fadvise DONTNEED), and
// its sync -f syncs their file system, started through the host's shell the
// way Wine starts a Unix program.
#include <windows.h>

#include <string>

#include "page_cache.h"

namespace kvel::bench {
namespace {

// Wine's kernel32 names the Unix file behind a Windows path; the result is
// freed with HeapFree.
using UnixFileName = char*(CDECL*)(const wchar_t*);

std::string UnixPath(const std::string& path) {
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixFileName == nullptr) return {};
  std::wstring wide(path.size() + 1, L'\0');
  const int length =
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  if (length <= 0) return {};
  char* name = unixFileName(wide.c_str());
  if (name == nullptr) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Runs `script` in the Linux host's shell with `argument` as $1, waiting for
// it through `marker` (a Windows path): Wine neither waits for a Unix
// program nor learns its exit code, so the shell writes the code there.
bool RunOnHost(const std::string& script, const std::string& argument, const std::string& marker,
               std::string* why) {
  const std::string unixMarker = UnixPath(marker);
  if (unixMarker.empty() || (argument + unixMarker).find('"') != std::string::npos) {
    *why = "not under Wine, or a path with a quote";
    return false;
  }
  DeleteFileA(marker.c_str());
  std::string command = "/bin/sh -c \"" + script + "; echo $? >\\\"$2\\\"\" sh \"" + argument +
                        "\" \"" + unixMarker + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    *why = "/bin/sh could not be started";
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string code;
  for (int waited = 0; waited < 120000 && code.empty(); waited += 10) {
    Sleep(10);
    HANDLE answer = CreateFileA(marker.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (answer == INVALID_HANDLE_VALUE) continue;
    char text[16] = {};
    DWORD read = 0;
    ReadFile(answer, text, sizeof text - 1, &read, nullptr);
    CloseHandle(answer);
    // The shell may have made the file and not yet written it.
    if (read > 0 && text[read - 1] == '\n') code.assign(text, read - 1);
  }
  DeleteFileA(marker.c_str());
  if (code != "0") *why = "the host's shell did not finish: " + script;
  return code == "0";
}

}  // namespace

bool DropFromPageCache(const std::string& path, std::string* why) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *why = path + ": cannot be opened";
    return false;
  }
  const bool flushed = FlushFileBuffers(file) != 0;
  CloseHandle(file);
  const std::string unixPath = UnixPath(path);
  if (!flushed || unixPath.empty()) {
    *why = "not under Wine: Windows has no call that drops a file from the page cache";
    return false;
  }
  return RunOnHost(
      "/usr/bin/dd \\\"of=$1\\\" oflag=nocache conv=notrunc,fdatasync count=0 status=none",
      unixPath, path + ".dropped", why);
}

bool SyncFileSystem(const std::string& directory, std::string* why) {
  const std::string unixPath = UnixPath(directory);
  if (unixPath.empty()) {
    *why = "not under Wine";
    return false;
  }
  std::string marker = directory;
  if (!marker.empty() && marker.back() != '\\' && marker.back() != '/') marker += '\\';
  return RunOnHost("/bin/sync -f \\\"$1\\\"", unixPath, marker + "kvel-bench.synced", why);
}

}  // namespace kvel::bench
