#include "gg/contact_icons.h"

#include "host/service_names.h"

namespace kvel::gg {
namespace {
constexpr uint32_t kTransparent = 0x00FF00FF;  // (255, 0, 255)
constexpr host::Param kNoSuchIcon = -1;
}  // namespace

void RemoveStateIcon(host::HostServices& services, host::Param item) {
  services.CallService(host::kServiceRemoveItemIcon, item,
                       reinterpret_cast<host::Param>(host::kIconSet));
}

void ShowStateIcon(host::HostServices& services, host::Param item, platform::Bitmap bitmap,
                   int32_t width, int32_t height) {
  // The host copies what it keeps: the records live for the calls only.
  host::ImageRecord image{};
  image.size = sizeof image;
  image.bitmap = bitmap;
  image.transparent = kTransparent;
  image.width = width;
  image.height = height;
  host::IconRecord icon{};
  icon.size = sizeof icon;
  icon.set = host::kIconSet;
  icon.one8 = 1;
  icon.image = &image;
  icon.two16 = 2;
  icon.flags20 = 0x40000;
  icon.one24 = 1;
  if (services.CallService(host::kServiceChangeItemIcon, item,
                           reinterpret_cast<host::Param>(&icon)) != kNoSuchIcon) {
    return;
  }
  host::AddIcons add{};
  add.size = sizeof add;
  add.item = item;
  add.icon = &icon;
  add.count = 1;
  services.CallService(host::kServiceAddItemIcons, reinterpret_cast<host::Param>(&add), 0);
}

}  // namespace kvel::gg
