#include "ui/runnable_files.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "common/file_name.h"

namespace kvel::ui {
namespace {

// What Windows, or an interpreter it commonly has, runs on "open": programs
// and installers, the scripts of its hosts and shells, shortcuts and the
// files that change its settings or carry compiled help with scripts.
constexpr std::array<std::string_view, 59> kRunnable = {
    "ade",    "adp", "app",  "application", "appref-ms", "appx", "appxbundle", "bas",
    "bat",    "chm", "cmd",  "com",         "cpl",       "crt",  "diagcab",    "exe",
    "gadget", "hlp", "hta",  "inf",         "ins",       "isp",  "jar",        "js",
    "jse",    "lnk", "mde",  "msc",         "msh",       "msi",  "msix",       "msixbundle",
    "msp",    "mst", "pif",  "ps1",         "ps1xml",    "ps2",  "psc1",       "psd1",
    "psm1",   "py",  "pyw",  "reg",         "scf",       "scr",  "sct",        "settingcontent-ms",
    "shb",    "shs", "url",  "vb",          "vbe",       "vbs",  "wsc",        "wsf",
    "ws",     "wsh", "xbap",
};

}  // namespace

bool RunsWhenOpened(std::string_view path) {
  std::string_view name = FileNameOf(path);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return false;
  std::string extension(name.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::find(kRunnable.begin(), kRunnable.end(), extension) != kRunnable.end();
}

}  // namespace kvel::ui
