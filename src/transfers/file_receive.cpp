// The receiving half of the file-transfer stream.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "transfers/block_writer.h"
#include "transfers/chunk_reader.h"
#include "transfers/offer_question.h"
#include "transfers/offered_name.h"
#include "transfers/part_file.h"
#include "transfers/transfer_stream.h"
#include "common/texts.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

// The reply goes out in one write; its result is not looked at: a
// connection that failed shows at the next read.
void SendReply(StreamConnection& connection, uint32_t code) {
  const wire::OfferReplyBytes reply = wire::EncodeOfferReply(code);
  WriteAll(connection, reply.data(), reply.size());
}

bool ReadWordIs(StreamConnection& connection, uint32_t expected) {
  wire::Word word;
  return ReadExact(connection, word.data(), word.size()) &&
         wire::DecodeLeadingWord(word) == expected;
}

// Reads the chunks in large pieces, whatever their split, until the reader
// has seen the last chunk; the data goes to `writer` and is counted in
// `transfer`, once per read.
bool ReceiveChunks(StreamConnection& connection, ChunkReader& reader, BlockWriter& writer,
                   TransferHandle& transfer) {
  std::vector<uint8_t> buffer(wire::kReceiveBufferSize);
  while (reader.state() == ChunkReader::State::Reading) {
    const int got = connection.Read(buffer.data(), static_cast<int>(buffer.size()));
    if (got <= 0) return false;
    std::span<const uint8_t> input(buffer.data(), std::min<size_t>(got, buffer.size()));
    int64_t data = 0;
    while (!input.empty() && reader.state() == ChunkReader::State::Reading) {
      const ChunkReader::Step step = reader.Next(input);
      input = input.subspan(step.used);
      if (!writer.Write(step.data)) return false;
      data += static_cast<int64_t>(step.data.size());
    }
    transfer.Moved(data);
  }
  return reader.state() == ChunkReader::State::Done;
}

}  // namespace

int64_t AnnouncedSize(const wire::FileInfo& info) {
  return static_cast<int64_t>(std::min<uint64_t>(info.Size(), INT64_MAX));
}

bool ReceiveStream(StreamConnection& connection, TransferSide& side, TransferHandle& transfer) {
  if (!ReadWordIs(connection, wire::kOfferStart)) return false;
  if (!ReadWordIs(connection, wire::kOfferInfo)) return false;
  uint8_t reserved[2 * wire::kWordSize];
  if (!ReadExact(connection, reserved, sizeof reserved)) return false;
  wire::FileInfoBytes record;
  if (!ReadExact(connection, record.data(), record.size())) return false;
  const wire::FileInfo info = *wire::DecodeFileInfo(record);
  const int64_t size = AnnouncedSize(info);

  // The peer chose the name: only its sanitised form is shown and proposed.
  const std::string name = SanitizeOfferedName(info.name);
  const std::string question = ComposeOfferQuestion(side.PeerName(transfer.Read().uin), name, size);
  if (!side.AskYesNo(question.c_str(), text::kQuestionCaption)) {
    SendReply(connection, wire::kReplyRefuse);
    return false;
  }

  char path[platform::kPathBufferSize] = {};
  std::memcpy(path, name.data(), std::min(name.size(), sizeof path - 1));
  platform::FileDialog dialog =
      platform::FileDialogOver(path, text::kAllFilesFilter, platform::kSaveFileFlags);
  if (!side.ChooseSaveFile(dialog)) return false;
  path[sizeof path - 1] = '\0';

  // The part file is made before the answer: when none can be created the
  // offer is refused, so the sender does not send into a closed connection.
  // Named from when and which transfer began: two transfers to one file at
  // once, or one after a stale part file, take different names.
  const Transfer facts = transfer.Read();
  std::unique_ptr<PartFile> part =
      PartFile::Create(side, path, facts.startedAt ^ (facts.id * 0x9E3779B9u));
  if (part == nullptr) {
    SendReply(connection, wire::kReplyRefuse);
    return false;
  }
  SendReply(connection, wire::kReplyAccept);
  transfer.NameFile(path);
  transfer.StartMoving(size, 0);
  ChunkReader reader(size);
  BlockWriter writer(part->File());
  const bool received = ReceiveChunks(connection, reader, writer, transfer) && writer.Flush();
  return received && part->Commit();
}

}  // namespace kvel::transfers
