// Shared set-up of the image tests: a stand-in host with chat windows bound
// as the host services, the plug-in's data directory in a scratch folder, and
// empty tables of offered and requested images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "chat_windows.h"
#include "images/cache_trust.h"
#include "images/image_cache.h"
#include "images/pending_images.h"
#include "images/requested_images.h"
#include "platform/files.h"
#include "host/linked_host.h"
#include "platform/threads/threads.h"
#include "stand_in_host.h"
#include "support/test_paths.h"
#include "wire/image_crc.h"

namespace kvel::images {

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::MakeDirectory(dataPath_.substr(0, dataPath_.size() - 1).c_str());
  }

  static std::vector<uint8_t> Pattern(size_t length, uint8_t seed = 1) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    return bytes;
  }
  // Writes `bytes` as the file `name` in the scratch folder; returns its path.
  std::string MakeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = scratch_.File(name);
    testing::WriteFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
  }
  static uint32_t Checksum(std::span<const uint8_t> bytes) {
    return wire::UpdateCrcRegister(wire::kCrcStart, bytes);
  }
  static std::vector<uint8_t> FileBytes(const std::string& path) {
    std::string content;
    if (!testing::ReadFile(path, &content)) return {};
    return std::vector<uint8_t>(content.begin(), content.end());
  }

  static constexpr uint32_t kOwnUin = 5550001;
  testing::ScratchDir scratch_;
  std::string dataPath_ = scratch_.File("kvel") + platform::kPathSeparator;
  standin::Host host_{scratch_.Path()};
  host::LinkedHost services_{host_.Link(), nullptr};
  standin::ChatWindows chats_{host_, scratch_.Path()};
  PendingImages pending_;
  // Forgotten requests take their parts with them, as in the plug-in.
  RequestedImages requested_{&platform::TickCount,
                             [this](const wire::ImageId& id) { RemoveImagePart(dataPath_, id); }};
  CacheTrust trust_;
};

}  // namespace kvel::images
