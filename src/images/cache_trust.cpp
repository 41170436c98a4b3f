#include "images/cache_trust.h"

#include <mutex>
#include <set>

#include "images/image_cache.h"
#include "platform/files.h"
#include "wire/image_crc.h"

namespace kvel::images {

// Shared by the object and its thread, which may outlive the object's wait.
struct CacheTrust::State {
  mutable std::mutex mutex;
  bool all = false;                // every file of the cache may be trusted
  std::set<std::string> verified;  // files trusted one by one until then
  std::string directory;
};

namespace {

enum class Verdict { Matches, Differs, Stopped };

// Reads the file whole and compares it with the size and checksum its name
// gives; stops between blocks once asked to.
Verdict Verify(const std::string& path, const wire::ImageId& image,
               const platform::WorkerStop& stop) {
  const std::optional<platform::FileInformation> info = platform::ReadFileInformation(path.c_str());
  if (!info) return Verdict::Differs;
  if (info->size != image.size) return Verdict::Differs;
  platform::FileHandle file = platform::OpenFileForReading(path.c_str());
  if (!file) return Verdict::Differs;
  bool stopped = false;
  const uint32_t checksum = wire::CrcRegisterOf([&](std::span<uint8_t> block) -> size_t {
    if (stop.Requested()) stopped = true;
    if (stopped) return 0;
    return file.Read(block.data(), block.size());
  });
  if (stopped) return Verdict::Stopped;
  return checksum == image.checksum ? Verdict::Matches : Verdict::Differs;
}

void Verifier(const std::shared_ptr<CacheTrust::State>& state, const platform::WorkerStop& stop) {
  bool complete = true;
  for (const std::string& name : platform::ListFiles(state->directory)) {
    if (stop.Requested()) {
      complete = false;
      break;
    }
    const std::optional<wire::ImageId> image = ParseCacheFileName(name);
    if (!image) continue;  // no image of the cache
    const std::string path = state->directory + name;
    const Verdict verdict = Verify(path, *image, stop);
    if (verdict == Verdict::Stopped) {
      complete = false;
      break;
    }
    std::lock_guard<std::mutex> lock(state->mutex);
    // An image put in place meanwhile was checked as it came: it stays.
    if (state->verified.count(name) != 0) continue;
    if (verdict == Verdict::Matches) {
      state->verified.insert(name);
    } else {
      platform::RemoveFile(path.c_str());
    }
  }
  // The marker is an empty file: its name says it all.
  if (complete) platform::OpenFileForRewriting((state->directory + kVerifiedMarker).c_str());
  std::lock_guard<std::mutex> lock(state->mutex);
  if (complete) {
    state->all = true;
    state->verified.clear();
  }
}

}  // namespace

CacheTrust::CacheTrust() : state_(std::make_shared<State>()) {}

CacheTrust::~CacheTrust() {
  Stop();
}

void CacheTrust::Start(const std::string& directory) {
  if (started_ || directory.empty()) return;
  started_ = true;
  const bool marked = platform::PathExists((directory + kVerifiedMarker).c_str());
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->all = marked;
    state_->directory = directory;
  }
  if (marked) return;
  // The body holds its own share of the state.
  std::shared_ptr<State> state = state_;
  worker_.Start([state](platform::WorkerStop& stop) { Verifier(state, stop); });
}

bool CacheTrust::Stop(uint32_t waitMs) {
  return worker_.Stop(waitMs);
}

bool CacheTrust::Trusted(const std::string& name) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->all || state_->verified.count(name) != 0;
}

bool CacheTrust::PutInPlace(const std::string& partPath, const std::string& path,
                            const std::string& name) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (!platform::MoveFileOver(partPath.c_str(), path.c_str())) {
    platform::RemoveFile(partPath.c_str());
    return false;
  }
  if (!state_->all) state_->verified.insert(name);
  return true;
}

}  // namespace kvel::images
