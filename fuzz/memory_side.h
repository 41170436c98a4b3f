// What the transfer fuzzers share: a file system in memory and a transfer
// side over it, whose user the fuzzer plays (the dialogs are its own).
// Paths are compared as Windows compares them: without regard to ASCII case
// or the kind of separator, with "." and ".." walked.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "scripted_peer.h"
#include "transfers/kept/kept_parts.h"
#include "transfers/side/transfer_side.h"

namespace kvel::fuzz {

// A path in one spelling: lower case, one '/' between parts, "." and ".."
// walked.
inline std::string Canonical(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  auto close = [&] {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (char c : path) {
    if (c == '/' || c == '\\') {
      close();
    } else {
      part += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
  }
  close();
  std::string canonical;
  for (const std::string& p : parts) canonical += "/" + p;
  return canonical;
}

// Files by path, as written; each write bumps the file's write time.
struct Disk {
  struct Entry {
    std::vector<uint8_t> bytes;
    uint64_t written = 0;
  };
  std::map<std::string, Entry> files;
  std::set<std::string> folders;  // canonical
  uint64_t clock = 1;
  // A write that would take a file past this fails, as a full disk does.
  size_t fileLimit = 1u << 20;
};

class MemoryFile final : public transfers::StreamFile {
 public:
  MemoryFile(Disk& disk, std::string path) : disk_(disk), path_(std::move(path)) {}
  size_t Read(void* buffer, size_t count) override {
    const std::vector<uint8_t>& bytes = disk_.files[path_].bytes;
    const size_t take = position_ < bytes.size() ? std::min(count, bytes.size() - position_) : 0;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(position_), take,
                static_cast<uint8_t*>(buffer));
    position_ += take;
    return take;
  }
  bool Write(const void* data, size_t count) override {
    Disk::Entry& entry = disk_.files[path_];
    if (position_ + count > disk_.fileLimit) return false;
    if (entry.bytes.size() < position_ + count) entry.bytes.resize(position_ + count);
    std::copy_n(static_cast<const uint8_t*>(data), count,
                entry.bytes.begin() + static_cast<std::ptrdiff_t>(position_));
    position_ += count;
    entry.written = ++disk_.clock;
    return true;
  }
  bool Seek(uint64_t offset) override {
    position_ = static_cast<size_t>(std::min<uint64_t>(offset, 1u << 30));
    return offset <= (1u << 30);
  }
  bool Failed() const override { return false; }
  bool Close() override { return true; }

 private:
  Disk& disk_;
  std::string path_;
  size_t position_ = 0;
};

// The files of a transfer side in `disk`; the fuzzer plays the user.
class MemorySide : public transfers::UserQuestions,
                   public transfers::TransferFiles,
                   public transfers::TransferFolders {
 public:
  explicit MemorySide(Disk& disk) : disk_(disk) {}

  std::string PeerName(uint32_t) override { return std::string(300, 'P'); }
  bool ChooseOpenFile(platform::FileDialog&) override { return false; }
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override {
    const auto found = disk_.files.find(path);
    if (found == disk_.files.end()) return std::nullopt;
    platform::FileInformation information;
    information.size = found->second.bytes.size();
    information.lastWriteTime = found->second.written;
    return information;
  }
  std::unique_ptr<transfers::StreamFile> OpenForReading(const char* path) override {
    if (disk_.files.count(path) == 0) return nullptr;
    return std::make_unique<MemoryFile>(disk_, path);
  }
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char* path,
                                                       platform::Error* error) override {
    if (PathTaken(path)) {
      if (error != nullptr) *error = {"", 0, platform::ErrorKind::Exists};
      return nullptr;
    }
    disk_.files[path].written = ++disk_.clock;
    return std::make_unique<MemoryFile>(disk_, path);
  }
  std::unique_ptr<transfers::StreamFile> OpenForUpdate(const char* path) override {
    return OpenForReading(path);
  }
  bool MoveFileOver(const char* from, const char* to) override {
    const auto found = disk_.files.find(from);
    Check(found != disk_.files.end());
    disk_.files[to] = found->second;
    disk_.files.erase(from);
    return true;
  }
  bool MoveFileNew(const char* from, const char* to, platform::Error* error) override {
    if (PathTaken(to)) {
      if (error != nullptr) *error = {"", 0, platform::ErrorKind::Exists};
      return false;
    }
    return MoveFileOver(from, to);
  }
  void RemoveFile(const char* path) override { disk_.files.erase(path); }
  // In any letter case or spelling, a file or a folder.
  bool PathTaken(const char* path) override {
    const std::string canonical = Canonical(path);
    if (disk_.folders.count(canonical) != 0) return true;
    for (const auto& [name, entry] : disk_.files) {
      if (Canonical(name) == canonical) return true;
    }
    return false;
  }
  bool MakeFolder(const char* path) override {
    return disk_.folders.insert(Canonical(path)).second;
  }
  std::optional<platform::FileIdentity> IdentityOf(const char* path) override {
    const std::string canonical = Canonical(path);
    if (!PathTaken(path)) return std::nullopt;
    return platform::FileIdentity{1, std::hash<std::string>{}(canonical)};
  }
  transfers::KeptParts* Kept() { return &kept; }

  transfers::KeptParts kept{[] { return 1733745600u; }};

 protected:
  Disk& disk_;
};

}  // namespace kvel::fuzz
