#include "router/mapping_keeper.h"

#include <iterator>
#include <utility>

#include "common/ipv4_address.h"
#include "router/router_texts.h"

namespace kvel::router {
namespace {

// What the log shows of a text the router gave: printable, bounded.
std::string Shown(const std::string& text) {
  std::string shown;
  for (char c : text.substr(0, 40)) shown += (c >= ' ' && c <= '~') ? c : '?';
  return "\"" + shown + "\"";
}

// Indexed by AddressKind, in its order.
constexpr const char* kKindTexts[] = {
    "unspecified", "loopback", "private", "the provider's shared space",
    "link-local",  "reserved", "public",
};
static_assert(std::size(kKindTexts) == static_cast<size_t>(AddressKind::Public) + 1);

const char* KindText(AddressKind kind) {
  const auto index = static_cast<size_t>(kind);
  return index < std::size(kKindTexts) ? kKindTexts[index] : "unknown";
}

std::string LeaseText(bool permanent, uint32_t leaseSeconds) {
  return permanent ? ", permanent" : ", lease " + std::to_string(leaseSeconds) + " s";
}

std::string AnswerText(int answer) {
  return answer < 0 ? std::string("no answer") : "error " + std::to_string(answer);
}

}  // namespace

MappingKeeper::MappingKeeper(Gateway& gateway, const MappingPlan& plan, platform::Clock clock,
                             Log log)
    : gateway_(gateway), plan_(plan), clock_(std::move(clock)), log_(std::move(log)) {}

void MappingKeeper::Begin(const Remembered& remembered) {
  const std::string url = UsableUrl(remembered.descriptionUrl) ? remembered.descriptionUrl : "";
  const Found found = gateway_.Find(url, plan_.searchMs);
  remember_ = {true, {}, 0};
  if (found.kind == Found::Kind::None) {
    log_(text::kLogUpnpNoRouter);
    return;
  }
  if (Unfit(found)) return;
  remember_ = {false, found.descriptionUrl, 0};
  if (remembered.mappedPort != 0) ReplaceLeftBehind(remembered.mappedPort);
  MapFirstFree();
}

bool MappingKeeper::Unfit(const Found& found) {
  const std::optional<uint32_t> external = ParseAddress(found.externalAddress);
  const std::optional<uint32_t> lan = ParseAddress(found.lanAddress);
  std::string why;
  if (found.externalAddress.empty()) {
    // miniupnpd, for one, gives none when its own is private or reserved.
    why = "is none: the router may sit behind another router";
  } else if (!external) {
    why = Shown(found.externalAddress) + " is no address";
  } else if (KindOf(*external) != AddressKind::Public) {
    why = AddressText(*external) + " is " + KindText(KindOf(*external));
  } else if (found.kind != Found::Kind::Valid) {
    why = AddressText(*external) + " is given by a router that is not connected";
  } else if (!lan || KindOf(*lan) == AddressKind::Unspecified) {
    why = AddressText(*external) + " leads to no address of this machine (" +
          Shown(found.lanAddress) + ")";
  }
  if (why.empty()) {
    externalAddress_ = *external;
    lanAddress_ = *lan;
    return false;
  }
  log_(text::kLogUpnpUnfit + why);
  return true;
}

bool MappingKeeper::ReplaceLeftBehind(uint16_t port) {
  Entry entry;
  if (gateway_.EntryOf(port, &entry) != kDone) return false;
  if (!IsOwnEntry(entry, lanAddress_, plan_.localPort, text::kMappingDescription)) return false;
  if (gateway_.Remove(port) != kDone) return false;
  log_(text::kLogUpnpReplaced + External(port));
  return true;
}

int MappingKeeper::MapPort(uint16_t port, bool* permanent) {
  const std::string client = AddressText(lanAddress_);
  int answer = gateway_.Map(port, client, plan_.localPort, text::kMappingDescription,
                            *permanent ? 0 : plan_.leaseSeconds);
  if (answer == kOnlyPermanent && !*permanent) {
    *permanent = true;
    answer = gateway_.Map(port, client, plan_.localPort, text::kMappingDescription, 0);
  }
  return answer;
}

void MappingKeeper::MapFirstFree() {
  mappedAt_ = clock_();
  uint16_t port = plan_.localPort;
  bool permanent = false;
  for (int tried = 0; tried < plan_.portTries; ++tried, port = port == 65535 ? 1024 : port + 1) {
    int answer = MapPort(port, &permanent);
    // Taken by kvel itself on an earlier run to this very address: the
    // mapping is then replaced rather than left for another port.
    if (answer == kConflict && ReplaceLeftBehind(port)) answer = MapPort(port, &permanent);
    if (answer == kDone) {
      mapped_ = Mapped{externalAddress_, port, lanAddress_, permanent};
      remember_.mappedPort = port;
      log_(text::kLogUpnpMapped + External(port) + " -> " + AddressText(lanAddress_) + ":" +
           std::to_string(plan_.localPort) + LeaseText(permanent, plan_.leaseSeconds));
      return;
    }
    log_(text::kLogUpnpRefused + External(port) + " (" + AnswerText(answer) + ")");
    if (answer < 0) return;
  }
}

std::optional<uint32_t> MappingKeeper::DueInMs() const {
  if (lanAddress_ == 0 || (mapped_ && mapped_->permanent)) return std::nullopt;
  const uint32_t since = clock_() - mappedAt_;
  return since >= plan_.renewMs ? 0 : plan_.renewMs - since;
}

void MappingKeeper::Renew() {
  if (DueInMs() != 0u) return;
  if (!mapped_) {
    MapFirstFree();
    return;
  }
  bool permanent = false;
  const int answer = MapPort(mapped_->externalPort, &permanent);
  mappedAt_ = clock_();
  if (answer == kDone) {
    mapped_->permanent = permanent;
    log_(text::kLogUpnpRenewed + External(mapped_->externalPort) +
         LeaseText(permanent, plan_.leaseSeconds));
    return;
  }
  log_(text::kLogUpnpRefused + External(mapped_->externalPort) + " (renewal, " +
       AnswerText(answer) + ")");
  mapped_.reset();
  remember_.mappedPort = 0;
  if (answer >= 0) MapFirstFree();
}

void MappingKeeper::End() {
  if (!mapped_) return;
  const uint16_t port = mapped_->externalPort;
  mapped_.reset();
  if (gateway_.Remove(port) == kDone) {
    log_(text::kLogUpnpRemoved + External(port));
    remember_.mappedPort = 0;
  } else {
    log_(text::kLogUpnpNotRemoved + External(port));
  }
}

std::string MappingKeeper::External(uint16_t port) const {
  return AddressText(externalAddress_) + ":" + std::to_string(port);
}

}  // namespace kvel::router
