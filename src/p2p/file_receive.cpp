// The receiving half of the file-transfer stream.
#include <algorithm>
#include <cstring>
#include <vector>

#include "p2p/offer_question.h"
#include "p2p/offered_name.h"
#include "p2p/transfer_records.h"
#include "p2p/transfer_stream.h"
#include "plugin/texts.h"

namespace kvel::p2p {
namespace {

// The reply's write result is not looked at: a connection that failed shows
// at the next read.
void SendReply(StreamConnection& connection, uint32_t code) {
  const OfferReplyBytes reply = PackOfferReply(code);
  WriteAll(connection, reply.data(), reply.size());
}

bool ReadWordIs(StreamConnection& connection, uint32_t expected) {
  Word word;
  return ReadExact(connection, word.data(), word.size()) && UnpackWord(word) == expected;
}

// Chunks until the last one: its data goes to `file` piece by piece as it
// arrives, each piece reported to the window.
bool ReceiveChunks(StreamConnection& connection, StreamFile& file, TransferSide& side) {
  std::vector<uint8_t> buffer(kReceiveBufferSize);
  for (;;) {
    ChunkHeaderBytes bytes;
    if (!ReadExact(connection, bytes.data(), bytes.size())) return false;
    const ChunkHeader header = *UnpackChunkHeader(bytes);
    if (header.type != kChunkMore && header.type != kChunkLast) return false;
    int32_t remaining = header.length;
    while (remaining > 0) {
      const int ask = std::min(remaining, kReceivePieceMax);
      const int got = std::min(connection.Read(buffer.data(), ask), ask);
      if (got <= 0) return false;
      if (!file.Write(buffer.data(), static_cast<size_t>(got))) return false;
      remaining -= got;
      side.AddProgress(got);
    }
    if (header.type == kChunkLast) return true;
  }
}

}  // namespace

bool ReceiveStream(StreamConnection& connection, uint32_t uin, TransferSide& side) {
  if (!ReadWordIs(connection, kOfferStart)) return false;
  if (!ReadWordIs(connection, kOfferInfo)) return false;
  uint8_t reserved[2 * kWordSize];
  if (!ReadExact(connection, reserved, sizeof reserved)) return false;
  FileInfoBytes record;
  if (!ReadExact(connection, record.data(), record.size())) return false;
  const FileInfo info = *UnpackFileInfo(record);

  // The peer chose the name: only its sanitised form is shown and proposed.
  const std::string name = SanitizeOfferedName(info.name);
  const std::string question = ComposeOfferQuestion(side.PeerName(uin), name, info.Size());
  if (!side.AskYesNo(question.c_str(), text::kQuestionCaption)) {
    SendReply(connection, kReplyRefuse);
    return false;
  }

  char path[platform::kPathBufferSize] = {};
  std::memcpy(path, name.data(), std::min(name.size(), sizeof path - 1));
  platform::FileDialog dialog =
      platform::FileDialogOver(path, text::kAllFilesFilter, platform::kSaveFileFlags);
  if (!side.ChooseSaveFile(dialog)) return false;
  path[sizeof path - 1] = '\0';

  // The file is made before the answer: one that cannot be created is
  // refused, so the sender does not send into a closed connection.
  std::unique_ptr<StreamFile> file = side.OpenForWriting(path);
  if (file == nullptr) {
    SendReply(connection, kReplyRefuse);
    return false;
  }
  SendReply(connection, kReplyAccept);
  side.SetTransferFile(path, static_cast<int64_t>(info.Size()), 0);
  const bool received = ReceiveChunks(connection, *file, side);
  const bool closed = file->Close();
  return received && closed;
}

}  // namespace kvel::p2p
