// The host's contact-list icon services: "Tlen/ContactList/ChangeItemIcon"
// (answers -1 while the item has no icon of the record's set),
// "Tlen/ContactList/AddItemIcons" and "Tlen/ContactList/RemoveItemIcon".
// Each item keeps its current icon per set, with a copy of the picture's
// pixels taken when the icon was set (as a host copies what it keeps), so a
// test can save it as an image and look at it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "stand_in_host.h"

namespace standin {

struct IconPicture {
  Param bitmap = 0;  // the plug-in's handle, as given
  uint32_t transparent = 0;
  int32_t width = 0;  // as the image record says
  int32_t height = 0;
  // Top-down rows of (r, g, b) copied from the bitmap; empty where the
  // platform cannot read bitmaps (natively).
  std::vector<uint8_t> rgb;
  int32_t pixelWidth = 0;
  int32_t pixelHeight = 0;
};

// One call of the three services with the records it was given.
struct IconCall {
  std::string service;
  Param item = 0;
  Param result = 0;
  std::string set;                // the icon set named by the call
  std::vector<uint8_t> addIcons;  // 16 bytes, AddItemIcons only
  std::vector<uint8_t> icon;      // 56 bytes, Change and Add
  std::vector<uint8_t> image;     // 32 bytes, Change and Add
};

class ContactListIcons {
 public:
  // Registers the three services on `host`; they stay valid after this
  // object is gone (the host keeps the shared state).
  explicit ContactListIcons(Host& host);

  // The item's current icon of `set`, if it has one.
  std::optional<IconPicture> Current(Param item, const std::string& set = "kvel");
  std::vector<IconCall> Calls();
  void ClearCalls();
  // Writes the item's current icon as a 24-bit .bmp; false when the item has
  // none or its pixels could not be read.
  bool SaveBmp(Param item, const std::string& path, const std::string& set = "kvel");
  // The same, as a white contact list shows it: the record's transparent
  // colour painted white.
  bool SaveShownBmp(Param item, const std::string& path);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// The pixels of a bitmap handle as top-down (r, g, b) rows; empty when they
// cannot be read. Implemented per platform.
std::vector<uint8_t> BitmapPixels(Param bitmap, int32_t* width, int32_t* height);

// A 24-bit .bmp file of top-down (r, g, b) rows.
std::vector<uint8_t> BmpFile(const std::vector<uint8_t>& rgb, int32_t width, int32_t height);

}  // namespace standin
