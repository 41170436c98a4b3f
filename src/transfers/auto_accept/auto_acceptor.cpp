#include "transfers/auto_accept/auto_acceptor.h"

#include <utility>

#include "common/ipv4_address.h"
#include "transfers/auto_accept/free_name.h"
#include "common/file_name.h"

namespace kvel::transfers {
namespace {

// A folder's path without its closing separator, as the platform opens it.
std::string Unclosed(const std::string& folder) {
  return folder.empty() ? folder : folder.substr(0, folder.size() - 1);
}

// Names of the image cache's files ("imgcache_<sender>_<size>_<crc>",
// "imgcache.verified"), in any letter case: never given to a file taken
// without asking, wherever it goes.
bool CacheName(const std::string& name) {
  constexpr std::string_view kCache = "imgcache";
  return CaseFolded(std::string_view(name).substr(0, kCache.size())) == kCache;
}

}  // namespace

AutoAcceptor::AutoAcceptor(platform::Clock clock) : budget_(std::move(clock)) {}

void AutoAcceptor::Configure(AutoAcceptSettings settings, std::string defaultFolder,
                             std::string dataFolder) {
  dataFolder_ = std::move(dataFolder);
  settings_ = std::move(settings);
  folder_ = settings_.folder.empty() ? std::move(defaultFolder) : settings_.folder;
}

AutoAcceptor::Decision AutoAcceptor::Consider(uint32_t uin, const std::string& name, int64_t size,
                                              const OfferOrigin& origin, TransferFolders& folders) {
  switch (JudgeAutoAccept(settings_, uin, size, origin)) {
    case AutoAcceptVerdict::NotListed:
      return {};
    case AutoAcceptVerdict::OtherAddress:
      return {{},
              "other-address from=" + AddressText(origin.remoteAddress) +
                  " announced=" + AddressText(origin.announcedAddress)};
    case AutoAcceptVerdict::TooLarge:
      return {{}, "too-large maxkb=" + std::to_string(settings_.maxKb)};
    case AutoAcceptVerdict::Take:
      break;
  }
  if (!budget_.Spend(uin)) {
    return {{},
            "too-many files=" + std::to_string(budget_.Burst()) +
                " ms=" + std::to_string(budget_.WindowMs())};
  }
  if (folder_.empty()) return {{}, "no-folder"};
  if (CacheName(name)) return {{}, "cache-name"};
  // Made the first time it is needed; one there already stays as it is.
  folders.MakeFolder(Unclosed(folder_).c_str());
  // The folder as a place, not as a text: the data folder by any spelling
  // (".", "..", a doubled separator, a short name, a link) is refused.
  const std::optional<platform::FileIdentity> where = folders.IdentityOf(Unclosed(folder_).c_str());
  if (where && !dataFolder_.empty() && where == folders.IdentityOf(Unclosed(dataFolder_).c_str()))
    return {{}, "data-folder folder=" + folder_};
  ReceivingNames::Hold place = HoldNextFreeName(name, folders);
  if (!place) return {{}, "no-free-name folder=" + folder_};
  return {std::move(place), {}};
}

ReceivingNames::Hold AutoAcceptor::HoldNextFreeName(const std::string& name,
                                                    TransferFolders& folders) {
  ReceivingNames::Hold held;
  ClaimFreePath(folder_, name, [&](const std::string& path) {
    if (folders.PathTaken(path.c_str())) return false;
    held = names_.Take(path);  // empty when another transfer holds the path
    return static_cast<bool>(held);
  });
  return held;
}

}  // namespace kvel::transfers
