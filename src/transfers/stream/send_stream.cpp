#include <algorithm>
#include <string>
#include <vector>

#include "common/file_name.h"
#include "common/texts.h"
#include "platform/chosen_files.h"
#include "transfers/stream/chunk_batch.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/send_stream.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

// Each item goes to the connection in one write (repeated only for what a
// partial send left), since some peers read an item with one receive.
bool WriteWhole(StreamConnection& connection, std::span<const uint8_t> bytes) {
  return WriteAll(connection, bytes.data(), bytes.size()) == bytes.size();
}

// The file the user chooses in the open dialog: one, or with `further`
// several, the first of them returned and the rest handed on. Empty when
// none was chosen.
std::string ChooseFiles(UserQuestions& user, const FurtherFiles& further) {
  if (!further) {
    char path[platform::kPathBufferSize] = {};
    platform::FileDialog dialog =
        platform::FileDialogOver(path, text::kAllFilesFilter, platform::kOpenFileFlags);
    if (!user.ChooseOpenFile(dialog)) return {};
    path[sizeof path - 1] = '\0';
    return path;
  }
  std::vector<char> answer(platform::kFilesBufferSize, '\0');
  platform::FileDialog dialog{text::kAllFilesFilter, platform::kOpenFilesFlags, answer.data(),
                              answer.size(), nullptr};
  if (!user.ChooseOpenFile(dialog)) return {};
  std::vector<std::string> paths = platform::ChosenFiles(answer);
  if (paths.empty()) return {};
  std::string first = std::move(paths.front());
  paths.erase(paths.begin());
  if (!paths.empty()) further(std::move(paths));
  return first;
}

wire::FileInfo Describe(const platform::FileInformation& information, const char* path) {
  wire::FileInfo info;
  info.attributes = information.attributes;
  info.creationTime = information.creationTime;
  info.lastAccessTime = information.lastAccessTime;
  info.lastWriteTime = information.lastWriteTime;
  info.sizeHigh = static_cast<uint32_t>(information.size >> 32);
  info.sizeLow = static_cast<uint32_t>(information.size);
  // Offered under the chosen path without its directory.
  info.name = FileNameOf(path);
  return info;
}

// Sends the file from its position in chunks of 4096 bytes; the first chunk
// that comes up shorter (down to empty) is the last. The file is read in
// large blocks and the chunks go out in batches of whole chunks, each batch
// within the connection's pace (but for one chunk). A file that fails to
// read ends the transfer without a last chunk. What went over is counted in
// `transfer`.
bool SendChunks(StreamConnection& connection, StreamFile& file, TransferHandle& transfer) {
  std::vector<uint8_t> block(wire::kFileBlockSize);
  ChunkBatch batch;
  auto send = [&] {
    const bool sent = WriteWhole(connection, batch.Bytes());
    if (sent) transfer.Moved(batch.DataBytes());
    batch.Clear();
    return sent;
  };
  const size_t chunkSize = wire::kSendChunkSize;
  const size_t pace = connection.PaceBytes();
  for (;;) {
    const size_t count = file.Read(block.data(), block.size());
    if (file.Failed()) return false;
    // The block is a whole number of chunks: only a short one holds the end.
    const bool end = count < block.size();
    std::span<const uint8_t> rest(block.data(), count);
    while (rest.size() >= chunkSize || end) {
      const size_t take = std::min(rest.size(), chunkSize);
      const uint32_t type = take == chunkSize ? wire::kChunkMore : wire::kChunkLast;
      const bool paced =
          !batch.Empty() && batch.Bytes().size() + wire::kChunkHeaderSize + take > pace;
      if ((paced || !batch.Fits(take)) && !send()) return false;
      batch.Add(type, rest.first(take));
      rest = rest.subspan(take);
      if (type == wire::kChunkLast) return send();
    }
  }
}

// The receiver closes once it has the last chunk. Waiting for that, after
// ending this side, makes sure the data was not lost to a reset on close.
bool ConfirmDelivery(StreamConnection& connection) {
  connection.ShutdownSend();
  return connection.WaitForPeerClose(kDeliveryWaitMs);
}

}  // namespace

bool SendStream(StreamConnection& connection, TransferSide side, TransferHandle& transfer,
                const FurtherFiles& further) {
  // The offer starts before the user is asked; a failed write shows later.
  WriteWhole(connection, wire::EncodeWord(wire::kOfferStart));

  std::string chosen = transfer.Read().path;
  if (chosen.empty()) {
    chosen = ChooseFiles(side.user, further);
    if (chosen.empty()) return false;
    // The file is named while the peer decides, so that a refusal names it.
    transfer.NameFile(chosen);
  }
  const char* path = chosen.c_str();

  // Read before anything more is offered: a file without information is not
  // offered at all.
  const std::optional<platform::FileInformation> information = side.files.ReadFileInformation(path);
  if (!information) return false;
  const wire::FileInfo info = Describe(*information, path);
  // Under a speed limit, the file is offered once its data may flow: a
  // receiver that took it waits for the data only as long as its idle limit.
  connection.AwaitTurn();
  if (!WriteWhole(connection, wire::EncodeOffer(info))) return false;

  wire::OfferReplyBytes replyBytes;
  if (!ReadExact(connection, replyBytes.data(), replyBytes.size())) return false;
  const wire::OfferReply reply = *wire::DecodeOfferReply(replyBytes);
  if (reply.code != wire::kReplyAccept) return false;

  // The receiver wants the file from `offset` on: it kept the bytes before
  // it from a transfer that was cut. An offset past the end names no part of
  // this file, and nothing is sent. Offsets are 32-bit on the wire, so for a
  // file of 4 GiB or more every offset lies within it: the rest is sent from
  // there (the seek is 64-bit), and such a file can be resumed only from
  // below 4 GiB.
  if (reply.offset > info.Size()) return false;
  transfer.StartMoving(AnnouncedSize(info), reply.offset);
  std::unique_ptr<StreamFile> file = side.files.OpenForReading(path);
  if (file == nullptr) return false;
  if (reply.offset > 0 && !file->Seek(reply.offset)) {
    file->Close();
    return false;
  }
  const bool sent = SendChunks(connection, *file, transfer);
  const bool closed = file->Close();
  return sent && closed && ConfirmDelivery(connection);
}

}  // namespace kvel::transfers
