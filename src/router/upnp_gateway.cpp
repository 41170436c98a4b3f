#include "router/upnp_gateway.h"

#ifdef KVEL_UPNP
#include <miniupnpc.h>
#include <upnpcommands.h>

#include <cstring>
#include <string>

#include "platform/sockets.h"
#endif

namespace kvel::router {

#ifndef KVEL_UPNP

bool UpnpBuilt() {
  return false;
}

std::unique_ptr<Gateway> MakeUpnpGateway() {
  return nullptr;
}

#else

namespace {

// The router's answers kvel searches for: the device itself and its WAN
// connection services, in both versions. All are asked at once, so that one
// wait (searchMs) covers the search.
const char* const kSearchedTypes[] = {
    "urn:schemas-upnp-org:device:InternetGatewayDevice:1",
    "urn:schemas-upnp-org:device:InternetGatewayDevice:2",
    "urn:schemas-upnp-org:service:WANIPConnection:1",
    "urn:schemas-upnp-org:service:WANIPConnection:2",
    "urn:schemas-upnp-org:service:WANPPPConnection:1",
    nullptr,
};

class UpnpGateway final : public Gateway {
 public:
  UpnpGateway() { platform::StartSocketLibrary(nullptr); }
  ~UpnpGateway() override { Forget(); }

  Found Find(const std::string& rememberedUrl, uint32_t searchMs) override {
    Forget();
    Found found;
    char lan[64] = {};
    if (!rememberedUrl.empty() &&
        UPNP_GetIGDFromUrl(rememberedUrl.c_str(), &urls_, &data_, lan, sizeof lan) == 1) {
      have_ = true;
      found.kind = UPNPIGD_IsConnected(&urls_, &data_) ? Found::Kind::Valid : Found::Kind::Unfit;
    } else {
      Forget();
      // A machine with no route to the LAN's multicast (loopback only) has
      // no router to search for.
      if (!platform::HasRouteTo(platform::InetAddr("239.255.255.250"), 1900)) return found;
      int error = 0;
      UPNPDev* devices = upnpDiscoverDevices(kSearchedTypes, static_cast<int>(searchMs), nullptr,
                                             nullptr, 0, 0, 2, &error, 1);
      if (devices == nullptr) return found;
      const int answer = UPNP_GetValidIGD(devices, &urls_, &data_, lan, sizeof lan);
      freeUPNPDevlist(devices);
      if (answer <= 0) return found;
      have_ = true;
      // Only miniupnpc's 1 is taken: a connected router with a public
      // external address. Others are read only for the log's reason.
      found.kind = answer == 1 ? Found::Kind::Valid : Found::Kind::Unfit;
    }
    found.lanAddress = lan;
    if (urls_.rootdescURL != nullptr) found.descriptionUrl = urls_.rootdescURL;
    found.externalAddress = ExternalAddress();
    return found;
  }

  int Map(uint16_t externalPort, const std::string& internalClient, uint16_t internalPort,
          const std::string& description, uint32_t leaseSeconds) override {
    if (!have_) return kNoAnswer;
    return Answer(UPNP_AddPortMapping(
        urls_.controlURL, data_.first.servicetype, std::to_string(externalPort).c_str(),
        std::to_string(internalPort).c_str(), internalClient.c_str(), description.c_str(), "TCP",
        nullptr, std::to_string(leaseSeconds).c_str()));
  }

  int Remove(uint16_t externalPort) override {
    if (!have_) return kNoAnswer;
    return Answer(UPNP_DeletePortMapping(urls_.controlURL, data_.first.servicetype,
                                         std::to_string(externalPort).c_str(), "TCP", nullptr));
  }

  int EntryOf(uint16_t externalPort, Entry* entry) override {
    if (!have_) return kNoAnswer;
    // Sizes as miniupnpc fills them, each ended by a zero it writes.
    char client[40] = {}, port[16] = {}, description[96] = {}, enabled[8] = {}, lease[24] = {};
    const int answer = Answer(UPNP_GetSpecificPortMappingEntry(
        urls_.controlURL, data_.first.servicetype, std::to_string(externalPort).c_str(), "TCP",
        nullptr, client, port, description, enabled, lease));
    if (answer == kDone) {
      entry->internalClient.assign(client, strnlen(client, sizeof client));
      entry->internalPort.assign(port, strnlen(port, sizeof port));
      entry->description.assign(description, strnlen(description, sizeof description));
    }
    return answer;
  }

 private:
  // The found router's external address, as it writes it; empty on failure.
  std::string ExternalAddress() {
    char address[40] = {};
    if (UPNP_GetExternalIPAddress(urls_.controlURL, data_.first.servicetype, address) !=
        UPNPCOMMAND_SUCCESS)
      return {};
    return std::string(address, strnlen(address, sizeof address));
  }

  // miniupnpc's own failures (no answer, a broken one) are negative, the
  // router's refusals its UPnP error codes.
  static int Answer(int code) { return code < 0 ? kNoAnswer : code; }

  // Also after a failed search, which may leave addresses behind.
  void Forget() {
    FreeUPNPUrls(&urls_);
    have_ = false;
    std::memset(&urls_, 0, sizeof urls_);
    std::memset(&data_, 0, sizeof data_);
  }

  UPNPUrls urls_{};
  IGDdatas data_{};
  bool have_ = false;
};

}  // namespace

bool UpnpBuilt() {
  return true;
}

std::unique_ptr<Gateway> MakeUpnpGateway() {
  return std::make_unique<UpnpGateway>();
}

#endif

}  // namespace kvel::router
