#include "contact_list_icons.h"

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

namespace standin {
namespace host = kvel::host;

struct ContactListIcons::State {
  std::mutex mutex;
  std::map<Param, std::map<std::string, IconPicture>> icons;  // item -> set -> picture
  std::vector<IconCall> calls;
};

namespace {

IconPicture Picture(const host::IconRecord* icon) {
  IconPicture picture;
  if (icon == nullptr || icon->image == nullptr) return picture;
  picture.bitmap = reinterpret_cast<Param>(icon->image->bitmap);
  picture.transparent = icon->image->transparent;
  picture.width = icon->image->width;
  picture.height = icon->image->height;
  picture.rgb = BitmapPixels(picture.bitmap, &picture.pixelWidth, &picture.pixelHeight);
  return picture;
}

void KeepIconRecords(IconCall& record, const host::IconRecord* icon) {
  if (icon == nullptr) return;
  record.icon = RecordBytes(icon, sizeof(host::IconRecord));
  record.image = RecordBytes(icon->image, sizeof(host::ImageRecord));
  record.set = TextAt(icon->set);
}

std::string Describe(const IconCall& record) {
  std::ostringstream out;
  out << "item=" << record.item << " set=" << record.set;
  return out.str();
}

}  // namespace

ContactListIcons::ContactListIcons(Host& host) : state_(std::make_shared<State>()) {
  std::shared_ptr<State> state = state_;
  host.RegisterService("Tlen/ContactList/ChangeItemIcon", [state](Host&, ServiceCall& call) {
    auto* icon = reinterpret_cast<const host::IconRecord*>(call.lparam);
    IconCall record;
    record.service = call.service;
    record.item = call.wparam;
    KeepIconRecords(record, icon);
    call.record = record.icon;
    call.extra = record.image;
    call.decoded = Describe(record);
    IconPicture picture = Picture(icon);
    std::lock_guard<std::mutex> lock(state->mutex);
    auto& sets = state->icons[record.item];
    auto found = sets.find(record.set);
    record.result = found == sets.end() ? -1 : 0;
    if (found != sets.end()) found->second = std::move(picture);
    state->calls.push_back(record);
    return record.result;
  });
  host.RegisterService("Tlen/ContactList/AddItemIcons", [state](Host&, ServiceCall& call) {
    auto* add = reinterpret_cast<const host::AddIcons*>(call.wparam);
    IconCall record;
    record.service = call.service;
    if (add == nullptr) return Param{0};
    record.item = add->item;
    record.addIcons = RecordBytes(add, sizeof(host::AddIcons));
    KeepIconRecords(record, add->icon);
    call.record = record.addIcons;
    call.extra = record.icon;
    call.decoded = Describe(record);
    IconPicture picture = Picture(add->icon);
    std::lock_guard<std::mutex> lock(state->mutex);
    state->icons[record.item][record.set] = std::move(picture);
    state->calls.push_back(record);
    return Param{0};
  });
  host.RegisterService("Tlen/ContactList/RemoveItemIcon", [state](Host&, ServiceCall& call) {
    IconCall record;
    record.service = call.service;
    record.item = call.wparam;
    record.set = TextAt(reinterpret_cast<const char*>(call.lparam));
    call.decoded = Describe(record);
    std::lock_guard<std::mutex> lock(state->mutex);
    auto found = state->icons.find(record.item);
    if (found != state->icons.end()) found->second.erase(record.set);
    state->calls.push_back(record);
    return Param{0};
  });
}

std::optional<IconPicture> ContactListIcons::Current(Param item, const std::string& set) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto found = state_->icons.find(item);
  if (found == state_->icons.end()) return std::nullopt;
  auto picture = found->second.find(set);
  if (picture == found->second.end()) return std::nullopt;
  return picture->second;
}

std::vector<IconCall> ContactListIcons::Calls() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->calls;
}

void ContactListIcons::ClearCalls() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->calls.clear();
}

namespace {

bool WriteBmp(const IconPicture& picture, const std::string& path) {
  std::vector<uint8_t> file = BmpFile(picture.rgb, picture.pixelWidth, picture.pixelHeight);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

}  // namespace

bool ContactListIcons::SaveBmp(Param item, const std::string& path, const std::string& set) {
  std::optional<IconPicture> picture = Current(item, set);
  if (!picture || picture->rgb.empty()) return false;
  return WriteBmp(*picture, path);
}

bool ContactListIcons::SaveShownBmp(Param item, const std::string& path) {
  std::optional<IconPicture> picture = Current(item);
  if (!picture || picture->rgb.empty()) return false;
  // The record's colour is a COLORREF: 0x00BBGGRR.
  const uint8_t red = picture->transparent & 0xFF, green = (picture->transparent >> 8) & 0xFF,
                blue = (picture->transparent >> 16) & 0xFF;
  for (size_t at = 0; at + 2 < picture->rgb.size(); at += 3) {
    uint8_t* p = &picture->rgb[at];
    if (p[0] == red && p[1] == green && p[2] == blue) p[0] = p[1] = p[2] = 255;
  }
  return WriteBmp(*picture, path);
}

std::vector<uint8_t> BmpFile(const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t dataSize = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> file;
  auto put = [&file](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  file.push_back('B');
  file.push_back('M');
  put(54 + dataSize, 4);
  put(0, 4);
  put(54, 4);
  put(40, 4);
  put(static_cast<uint32_t>(width), 4);
  put(static_cast<uint32_t>(height), 4);  // positive: rows bottom-up
  put(1, 2);
  put(24, 2);
  put(0, 4);
  put(dataSize, 4);
  put(2835, 4);
  put(2835, 4);
  put(0, 4);
  put(0, 4);
  for (int32_t y = height - 1; y >= 0; --y) {
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = row + static_cast<size_t>(x) * 3;
      file.push_back(rgb[at + 2]);
      file.push_back(rgb[at + 1]);
      file.push_back(rgb[at]);
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad) file.push_back(0);
  }
  return file;
}

}  // namespace standin
