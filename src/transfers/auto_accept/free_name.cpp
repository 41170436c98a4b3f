#include "transfers/auto_accept/free_name.h"

#include <algorithm>

#include "transfers/stream/offered_name.h"
#include "transfers/kept/part_names.h"

namespace kvel::transfers {
namespace {

// Where the extension begins in `name`: its last dot, unless that is the
// first character or leaves a longer tail than an extension has.
size_t ExtensionStart(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > kMaxExtensionLength)
    return name.size();
  return dot;
}

}  // namespace

std::optional<std::string> NumberedPath(std::string_view folder, std::string_view name,
                                        unsigned number) {
  if (name.empty() || number == 0) return std::nullopt;
  const size_t extensionAt = ExtensionStart(name);
  std::string_view stem = name.substr(0, extensionAt);
  const std::string_view extension = name.substr(extensionAt);
  const std::string suffix = number > 1 ? " (" + std::to_string(number) + ")" : std::string();
  const size_t tail = suffix.size() + extension.size();
  const size_t room =
      std::min(kMaxEntryName, kMaxPathLength - std::min(kMaxPathLength, folder.size()));
  if (room <= tail) return std::nullopt;
  if (stem.size() > room - tail) stem = stem.substr(0, room - tail);
  const std::string entry = std::string(stem) + suffix + std::string(extension);
  // A cut can end in a dot or blank the platform drops, or leave a device
  // name: such a name would not be the one looked at.
  if (SanitizeOfferedName(entry) != entry) return std::nullopt;
  return std::string(folder) + entry;
}

std::optional<std::string> ClaimFreePath(std::string_view folder, std::string_view name,
                                         const std::function<bool(const std::string&)>& claim) {
  for (unsigned number = 1; number <= kMaxNameNumber; ++number) {
    const std::optional<std::string> path = NumberedPath(folder, name, number);
    if (path && claim(*path)) return path;
  }
  return std::nullopt;
}

}  // namespace kvel::transfers
