// The paths that files taken without asking are being received into,
// so that two transfers at once never choose the same name: a path is held
// by one transfer from its choice to its end. Paths compare without regard
// to ASCII case, as Windows' file names do.
//
// Thread safety: any thread.
#pragma once

#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace kvel::transfers {

class ReceivingNames {
 public:
  // A path held; it is free again once this goes. Movable.
  class Hold {
   public:
    Hold() = default;
    ~Hold();
    Hold(Hold&& other) noexcept { *this = std::move(other); }
    Hold& operator=(Hold&& other) noexcept;
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    explicit operator bool() const { return names_ != nullptr; }
    const std::string& Path() const { return path_; }

   private:
    friend class ReceivingNames;
    void Release();
    ReceivingNames* names_ = nullptr;
    std::string path_;
  };

  ReceivingNames() = default;
  ReceivingNames(const ReceivingNames&) = delete;
  ReceivingNames& operator=(const ReceivingNames&) = delete;

  // Holds `path`; an empty hold when another transfer holds it.
  Hold Take(const std::string& path);

 private:
  void Give(const std::string& path);

  std::mutex mutex_;
  std::set<std::string> held_;  // case-folded
};

}  // namespace kvel::transfers
