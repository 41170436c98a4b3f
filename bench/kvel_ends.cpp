#include "kvel_ends.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "loopback_copy.h"
#include "p2p/peer_connection.h"
#include "platform/files.h"
#include "platform/threads.h"
#include "transfers/stdio_file.h"
#include "transfers/transfer_registry.h"
#include "transfers/transfer_stream.h"
#include "ui/transfer_window.h"

namespace kvel::bench {
namespace {

// One end's user: answers every dialog with the bench's paths at once.
class BenchSide final : public transfers::TransferSide {
 public:
  explicit BenchSide(std::string path) : path_(std::move(path)) {}
  std::string PeerName(uint32_t) override { return "bench"; }
  bool AskYesNo(const char*, const char*) override { return true; }
  bool ChooseSaveFile(platform::FileDialog& dialog) override { return Choose(dialog); }
  bool ChooseOpenFile(platform::FileDialog& dialog) override { return Choose(dialog); }
  std::optional<platform::FileInformation> ReadFileInformation(const char* path) override {
    return platform::ReadFileInformation(path);
  }
  std::unique_ptr<transfers::StreamFile> OpenForReading(const char* path) override {
    return transfers::OpenStdioFileForReading(path);
  }
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char* path,
                                                       platform::FileProblem* problem) override {
    return transfers::CreateStdioFile(path, problem);
  }
  std::unique_ptr<transfers::StreamFile> OpenForUpdate(const char* path) override {
    return transfers::OpenStdioFileForUpdate(path);
  }
  bool MoveFileOver(const char* from, const char* to) override {
    return platform::MoveFileOver(from, to);
  }
  bool MoveFileNew(const char* from, const char* to, platform::FileProblem* problem) override {
    return platform::MoveFileNew(from, to, problem);
  }
  void RemoveFile(const char* path) override { platform::RemoveFile(path); }
  bool PathTaken(const char* path) override { return platform::PathExists(path); }
  bool MakeFolder(const char* path) override { return platform::MakeDirectory(path); }
  // The benchmark's transfers are never cut on purpose: nothing is kept.
  transfers::KeptParts* Kept() override { return nullptr; }

 private:
  bool Choose(platform::FileDialog& dialog) {
    std::snprintf(dialog.path, dialog.pathSize, "%s", path_.c_str());
    return path_.size() < dialog.pathSize;
  }

  std::string path_;
};

// The product's window without its dialog, ticking on a thread of its own
// as the window's thread would while the transfers run.
class TickingWindow {
 public:
  explicit TickingWindow(transfers::TransferRegistry& registry)
      : thread_([this, &registry] {
          ui::TransferWindow window(registry, nullptr);
          std::unique_lock<std::mutex> lock(mutex_);
          while (!done_) {
            window.Tick();
            wake_.wait_for(lock, std::chrono::milliseconds(ui::TransferWindow::kTickMs));
          }
        }) {}
  ~TickingWindow() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace

Result KvelEnds(const std::string& source, const std::string& target) {
  Result result;
  result.name = "kvel ends in one process";
  platform::Socket sender, receiver;
  if (!ConnectedPair(&sender, &receiver)) return result;
  for (platform::Socket s : {sender, receiver}) {
    platform::SetKeepAlive(s);
    platform::SetLinger(s, 3);
  }
  // Both ends keep their records in one registry, as two transfers of one
  // plug-in would, and a window renders it meanwhile.
  transfers::TransferRegistry registry(&platform::TickCount);
  TickingWindow window(registry);
  Stopwatch watch;
  bool sent = false;
  std::thread send([&] {
    p2p::PeerConnection connection(sender, nullptr);
    BenchSide side(source);
    transfers::TransferHandle transfer = registry.Begin(1, transfers::Send);
    transfer.Agree(1, "bench", transfers::Send);
    sent = transfers::SendStream(connection, side, transfer);
    platform::CloseSocket(sender);
  });
  p2p::PeerConnection connection(receiver, nullptr);
  BenchSide side(target);
  transfers::TransferHandle transfer = registry.Begin(1, transfers::Receive);
  transfer.Agree(1, "bench", transfers::Receive);
  bool received = transfers::ReceiveStream(connection, side, transfer);
  // As the connection thread does: the close tells the sender all arrived.
  platform::CloseSocket(receiver);
  send.join();
  watch.Finish(result);
  std::optional<platform::FileInformation> info = platform::ReadFileInformation(target.c_str());
  result.bytes = info ? info->size : 0;
  result.identical = sent && received && SameContent(source, target);
  return result;
}

}  // namespace kvel::bench
