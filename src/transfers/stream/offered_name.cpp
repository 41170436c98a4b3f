#include "transfers/stream/offered_name.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "common/texts.h"

namespace kvel::transfers {
namespace {

bool IsForbidden(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F) return true;
  constexpr std::string_view kForbidden = "<>:\"/\\|?*";
  return kForbidden.find(c) != std::string_view::npos;
}

// Cuts `name` to the longest kept, then drops trailing dots and spaces.
void CutAndTrim(std::string& name) {
  if (name.size() > kMaxOfferedNameLength) name.resize(kMaxOfferedNameLength);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}

char Upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// What makes COM and LPT a device: a digit, or the superscript one, two or
// three (bytes B9, B2, B3), which Windows takes for digits in the Western
// code pages. The bytes are checked whatever the code page: in others they
// are letters, and a '_' in front of such a name costs nothing.
bool IsDeviceNumber(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= '0' && byte <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
}

// Device names the platform reserves whatever extension follows them.
bool IsReservedDeviceName(const std::string& name) {
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  std::transform(base.begin(), base.end(), base.begin(), Upper);
  constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN",    "AUX",
                                                        "NUL", "CONIN$", "CONOUT$"};
  if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end()) return true;
  return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
         IsDeviceNumber(base[3]);
}

}  // namespace

std::string SanitizeOfferedName(std::string_view offered) {
  // Only what follows the last separator or drive colon.
  const size_t separator = offered.find_last_of("\\/:");
  std::string name;
  for (char c : offered.substr(separator == std::string_view::npos ? 0 : separator + 1)) {
    if (!IsForbidden(c)) name += c;
  }
  // Cutting and trimming can uncover a device name ("CON" + spaces + "x"),
  // so the device check comes last. A prefixed name starts with '_' and is
  // no device; cutting it again cannot make it one.
  CutAndTrim(name);
  if (IsReservedDeviceName(name)) {
    name.insert(name.begin(), '_');
    CutAndTrim(name);
  }
  if (name.empty()) name = text::kUnnamedFile;
  return name;
}

}  // namespace kvel::transfers
