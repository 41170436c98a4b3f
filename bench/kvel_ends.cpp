#include "kvel_ends.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "loopback_copy.h"
#include "p2p/admission/connection_limits.h"
#include "p2p/connection/peer_connection.h"
#include "platform/files.h"
#include "platform/threads/threads.h"
#include "transfers/pace/paced_connection.h"
#include "transfers/pace/speed_limit.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/side/stdio_file.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/send_stream.h"
#include "ui/transfer_window.h"
#include "wire/transfer_records.h"

namespace kvel::bench {
namespace {

// One end's user: answers every dialog with the bench's paths at once.
class BenchSide final : public transfers::UserQuestions,
                        public transfers::TransferFiles,
                        public transfers::TransferFolders {
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
    return transfers::StreamFileOf(platform::OpenFileForReading(path));
  }
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char* path,
                                                       platform::Error* error) override {
    return transfers::StreamFileOf(platform::CreateNewFile(path, error));
  }
  std::unique_ptr<transfers::StreamFile> OpenForUpdate(const char* path) override {
    return transfers::StreamFileOf(platform::OpenFileForUpdate(path));
  }
  bool MoveFileOver(const char* from, const char* to) override {
    return platform::MoveFileOver(from, to);
  }
  bool MoveFileNew(const char* from, const char* to, platform::Error* error) override {
    return platform::MoveFileNew(from, to, error);
  }
  void RemoveFile(const char* path) override { platform::RemoveFile(path); }
  bool PathTaken(const char* path) override { return platform::PathExists(path); }
  bool MakeFolder(const char* path) override { return platform::MakeDirectory(path); }
  std::optional<platform::FileIdentity> IdentityOf(const char* path) override {
    return platform::IdentityOf(path);
  }
  // The benchmark's transfers are never cut on purpose: nothing is kept.
  transfers::KeptParts* Kept() { return nullptr; }

 private:
  bool Choose(platform::FileDialog& dialog) {
    std::snprintf(dialog.path, dialog.pathSize, "%s", path_.c_str());
    return path_.size() < dialog.pathSize;
  }

  std::string path_;
};

// The product's window without its dialog, ticking on a thread of its own
// as the window's thread would while the transfers run; with `pacing`, it
// also samples what the receiving ends moved.
class TickingWindow {
 public:
  TickingWindow(transfers::TransferRegistry& registry, Pacing* pacing, size_t pairs)
      : thread_([this, &registry, pacing, pairs] {
          ui::TransferWindow window(registry, nullptr);
          const auto start = std::chrono::steady_clock::now();
          auto ticked = start;
          std::unique_lock<std::mutex> lock(mutex_);
          while (!done_) {
            const auto now = std::chrono::steady_clock::now();
            if (now - ticked >= std::chrono::milliseconds(ui::TransferWindow::kTickMs)) {
              window.Tick();
              ticked = now;
            }
            if (pacing != nullptr) Sample(*pacing, registry, pairs, now - start);
            wake_.wait_for(
                lock, std::chrono::milliseconds(pacing != nullptr ? Pacing::kSampleMs
                                                                  : ui::TransferWindow::kTickMs));
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
  // The receiving ends' bytes, by their contact's number (1000 + pair).
  static void Sample(Pacing& pacing, transfers::TransferRegistry& registry, size_t pairs,
                     std::chrono::steady_clock::duration since) {
    Pacing::Sample sample;
    sample.seconds = std::chrono::duration<double>(since).count();
    sample.moved.assign(pairs, 0);
    for (const transfers::Transfer& transfer : registry.Snapshot()) {
      const size_t pair = transfer.uin - 1000;
      if (transfer.direction == transfers::Receive && pair < pairs)
        sample.moved[pair] = transfer.moved;
    }
    // A pair that ended keeps what it moved.
    if (!pacing.samples.empty()) {
      for (size_t i = 0; i < pairs; ++i)
        sample.moved[i] = std::max(sample.moved[i], pacing.samples.back().moved[i]);
    }
    pacing.samples.push_back(std::move(sample));
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace

Result KvelEnds(const std::vector<FilePair>& pairs, Pacing* pacing) {
  Result result;
  result.name = "kvel ends in one process";
  // As the product's: each running transfer gets a chunk within a quarter
  // of its peer's idle limit.
  const uint32_t turnMs = p2p::kConnectionLimits.idleMs / 4;
  const size_t chunk = wire::kSendChunkSize + wire::kChunkHeaderSize;
  transfers::SpeedLimit sendLimit(&platform::TickCount, turnMs, chunk);
  transfers::SpeedLimit receiveLimit(&platform::TickCount, turnMs, chunk);
  if (pacing != nullptr) {
    sendLimit.Configure(pacing->kilobytesPerSecond);
    receiveLimit.Configure(pacing->kilobytesPerSecond);
  }
  struct Ends {
    platform::Socket sender = platform::kInvalidSocket;
    platform::Socket receiver = platform::kInvalidSocket;
    bool sent = false;
    bool received = false;
  };
  std::vector<Ends> ends(pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    Ends& e = ends[i];
    if (!ConnectedPair(&e.sender, &e.receiver, PairAddress(static_cast<int>(i)))) {
      for (size_t j = 0; j < i; ++j) {
        platform::CloseSocket(ends[j].sender);
        platform::CloseSocket(ends[j].receiver);
      }
      return result;
    }
    for (platform::Socket s : {e.sender, e.receiver}) {
      platform::SetKeepAlive(s);
      platform::SetLinger(s, 3);
    }
  }
  // Every end keeps its record in one registry, as the transfers of one
  // plug-in do, and a window renders it meanwhile.
  transfers::TransferRegistry registry(&platform::TickCount);
  TickingWindow window(registry, pacing, pairs.size());
  Stopwatch watch;
  std::vector<std::thread> threads;
  for (size_t i = 0; i < pairs.size(); ++i) {
    Ends& e = ends[i];
    const uint32_t uin = static_cast<uint32_t>(1000 + i);
    threads.emplace_back([&registry, &e, &pair = pairs[i], uin, &sendLimit] {
      p2p::PeerConnection socket(e.sender, nullptr, &platform::TickCount);
      BenchSide side(pair.source);
      transfers::TransferHandle transfer = registry.Begin(uin, transfers::Send);
      transfer.Agree(uin, "bench", transfers::Send);
      transfers::PacedConnection connection(socket, &sendLimit, transfer);
      e.sent = transfers::SendStream(connection, side, transfer);
      platform::CloseSocket(e.sender);
    });
    threads.emplace_back([&registry, &e, &pair = pairs[i], uin, &receiveLimit] {
      p2p::PeerConnection socket(e.receiver, nullptr, &platform::TickCount);
      BenchSide side(pair.target);
      transfers::TransferHandle transfer = registry.Begin(uin, transfers::Receive);
      transfer.Agree(uin, "bench", transfers::Receive);
      transfers::PacedConnection connection(socket, &receiveLimit, transfer);
      e.received = transfers::ReceiveStream(connection, side, transfer);
      // As the connection thread does: the close tells the sender all arrived.
      platform::CloseSocket(e.receiver);
    });
  }
  for (std::thread& thread : threads) thread.join();
  watch.Finish(result);
  for (size_t i = 0; i < pairs.size(); ++i) {
    std::optional<platform::FileInformation> info =
        platform::ReadFileInformation(pairs[i].target.c_str());
    result.bytes += info ? info->size : 0;
    result.identical = result.identical && ends[i].sent && ends[i].received;
  }
  return result;
}

}  // namespace kvel::bench
