// The sending half of the file-transfer stream.
#include <array>
#include <string>

#include "p2p/transfer_records.h"
#include "p2p/transfer_stream.h"
#include "plugin/texts.h"

namespace kvel::p2p {
namespace {

bool WriteWhole(StreamConnection& connection, std::span<const uint8_t> bytes) {
  return WriteAll(connection, bytes.data(), bytes.size()) == bytes.size();
}

// The name the file is offered under: the chosen path without its directory.
std::string BaseName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  return name;
}

FileInfo Describe(const platform::FileInformation& information, const char* path) {
  FileInfo info;
  info.attributes = information.attributes;
  info.creationTime = information.creationTime;
  info.lastAccessTime = information.lastAccessTime;
  info.lastWriteTime = information.lastWriteTime;
  info.sizeHigh = static_cast<uint32_t>(information.size >> 32);
  info.sizeLow = static_cast<uint32_t>(information.size);
  info.name = BaseName(path);
  return info;
}

// Sends the file in chunks of 4096 bytes; a chunk that comes up shorter is
// the last. A file that fails to read ends the transfer without a last chunk.
bool SendChunks(StreamConnection& connection, StreamFile& file, TransferSide& side) {
  std::array<uint8_t, kSendChunkSize> chunk;
  for (;;) {
    const size_t count = file.Read(chunk.data(), chunk.size());
    if (file.Failed()) return false;
    ChunkHeader header;
    header.type = count == chunk.size() ? kChunkMore : kChunkLast;
    header.length = static_cast<int32_t>(count);
    if (!WriteWhole(connection, PackChunkHeader(header))) return false;
    const size_t sent = WriteAll(connection, chunk.data(), count);
    side.AddProgress(static_cast<int64_t>(sent));
    if (sent != count) return false;
    if (header.type == kChunkLast) return true;
  }
}

}  // namespace

bool SendStream(StreamConnection& connection, TransferSide& side) {
  // The offer starts before the user is asked; a failed write shows later.
  WriteWhole(connection, PackWord(kOfferStart));

  char path[platform::kPathBufferSize] = {};
  platform::FileDialog dialog =
      platform::FileDialogOver(path, text::kAllFilesFilter, platform::kOpenFileFlags);
  if (!side.ChooseOpenFile(dialog)) return false;
  path[sizeof path - 1] = '\0';

  // Read before anything more is offered: a file without information is not
  // offered at all.
  const std::optional<platform::FileInformation> information = side.ReadFileInformation(path);
  if (!information) return false;
  const FileInfo info = Describe(*information, path);

  const Word reserved = PackWord(0);
  if (!WriteWhole(connection, PackWord(kOfferInfo)) || !WriteWhole(connection, reserved) ||
      !WriteWhole(connection, reserved) || !WriteWhole(connection, PackFileInfo(info))) {
    return false;
  }

  OfferReplyBytes reply;
  if (!ReadExact(connection, reply.data(), reply.size())) return false;
  if (UnpackOfferReply(reply) != kReplyAccept) return false;

  side.SetTransferFile(path, static_cast<int64_t>(info.Size()), 0);
  std::unique_ptr<StreamFile> file = side.OpenForReading(path);
  if (file == nullptr) return false;
  const bool sent = SendChunks(connection, *file, side);
  const bool closed = file->Close();
  return sent && closed;
}

}  // namespace kvel::p2p
