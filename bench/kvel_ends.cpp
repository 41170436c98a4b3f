#include "kvel_ends.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "loopback_copy.h"
#include "p2p/peer_connection.h"
#include "transfers/stdio_file.h"
#include "transfers/transfer_stream.h"
#include "platform/files.h"
#include "transfers/transfer_table.h"

namespace kvel::bench {
namespace {

// One end's user and window row: answers every dialog with the bench's
// paths and counts progress in a transfer table as the window's would.
class BenchSide final : public transfers::TransferSide {
 public:
  BenchSide(platform::Socket socket, std::string path, transfers::TransferDirection direction)
      : socket_(socket), path_(std::move(path)), table_([] { return Clock(); }) {
    table_.Add(socket, 1, direction, "bench");
  }
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
  std::unique_ptr<transfers::StreamFile> CreateNewFile(const char* path) override {
    return transfers::CreateStdioFile(path);
  }
  bool MoveFileOver(const char* from, const char* to) override {
    return platform::MoveFileOver(from, to);
  }
  void RemoveFile(const char* path) override { platform::RemoveFile(path); }
  void SetTransferFile(const char* path, int64_t total, int64_t done) override {
    table_.SetFile(socket_, path, total, done);
  }
  void AddProgress(int64_t bytes) override { table_.AddProgress(socket_, bytes); }
  uint32_t Milliseconds() override { return BenchSide::Clock(); }

 private:
  static uint32_t Clock() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  bool Choose(platform::FileDialog& dialog) {
    std::snprintf(dialog.path, dialog.pathSize, "%s", path_.c_str());
    return path_.size() < dialog.pathSize;
  }

  platform::Socket socket_;
  std::string path_;
  transfers::TransferTable table_;
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
  Stopwatch watch;
  bool sent = false;
  std::thread send([&] {
    p2p::PeerConnection connection(sender, nullptr);
    BenchSide side(sender, source, transfers::Send);
    sent = transfers::SendStream(connection, side);
    platform::CloseSocket(sender);
  });
  p2p::PeerConnection connection(receiver, nullptr);
  BenchSide side(receiver, target, transfers::Receive);
  bool received = transfers::ReceiveStream(connection, 1, side);
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
