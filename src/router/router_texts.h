// The log's lines of the router's port mapping (ASCII). Each names the
// router's external address and port where it has them.
#pragma once

namespace kvel::text {

inline constexpr char kMappingDescription[] = "kvel";
// In the data directory: the router found at the last start.
inline constexpr char kRememberedRouterFile[] = "upnp-router";

inline constexpr char kLogUpnpNotBuilt[] = "upnp: no UPnP in this build";
inline constexpr char kLogUpnpNoRouter[] = "upnp: no router answered";
inline constexpr char kLogUpnpMapped[] = "upnp: mapped ";
inline constexpr char kLogUpnpRenewed[] = "upnp: renewed ";
inline constexpr char kLogUpnpRefused[] = "upnp: refused ";
inline constexpr char kLogUpnpRemoved[] = "upnp: removed ";
inline constexpr char kLogUpnpNotRemoved[] = "upnp: not removed ";
inline constexpr char kLogUpnpReplaced[] = "upnp: replaced a mapping left behind at ";
inline constexpr char kLogUpnpUnfit[] = "upnp: not announced: the router's external address ";
inline constexpr char kLogUpnpLate[] =
    "upnp: the mapping came after the first login; it is announced from the next login";

}  // namespace kvel::text
