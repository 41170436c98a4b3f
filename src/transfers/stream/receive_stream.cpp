#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "transfers/auto_accept/auto_accept_texts.h"
#include "transfers/kept/kept_parts.h"
#include "transfers/kept/kept_rules.h"
#include "transfers/kept/part_file.h"
#include "transfers/kept/part_writer.h"
#include "transfers/stream/block_writer.h"
#include "transfers/stream/chunk_reader.h"
#include "transfers/stream/offered_name.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/room_check.h"
#include "transfers/telling/offer_question.h"
#include "transfers/telling/telling_texts.h"
#include "transfers/telling/transfer_outcome.h"
#include "common/texts.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {
namespace {

// The reply goes out in one write; its result is not looked at: a
// connection that failed shows at the next read.
void SendReply(StreamConnection& connection, uint32_t code, uint32_t offset = 0) {
  const wire::OfferReplyBytes reply = wire::EncodeOfferReply(code, offset);
  WriteAll(connection, reply.data(), reply.size());
}

bool ReadWordIs(StreamConnection& connection, uint32_t expected) {
  wire::Word word;
  return ReadExact(connection, word.data(), word.size()) &&
         wire::DecodeLeadingWord(word) == expected;
}

// Reads the chunks in large pieces, whatever their split, until the reader
// has seen the last chunk; the data goes to `writer` and is counted in
// `transfer`, once per read. A sender found to send the whole file of
// `size` bytes is counted from its start.
ReceiveEnd ReceiveChunks(StreamConnection& connection, ChunkReader& reader, PartWriter& writer,
                         TransferHandle& transfer, int64_t size) {
  std::vector<uint8_t> buffer(wire::kReceiveBufferSize);
  while (reader.state() == ChunkReader::State::Reading) {
    const int got = connection.Read(buffer.data(), static_cast<int>(buffer.size()));
    if (got <= 0) return ReceiveEnd::Cut;
    std::span<const uint8_t> input(buffer.data(), std::min<size_t>(got, buffer.size()));
    int64_t data = 0;
    while (!input.empty() && reader.state() == ChunkReader::State::Reading) {
      const ChunkReader::Step step = reader.Next(input);
      input = input.subspan(step.used);
      data += static_cast<int64_t>(step.data.size());
      switch (writer.Write(step.data)) {
        case PartWriter::Took::Written:
          break;
        case PartWriter::Took::FromStart:
          reader.Recount(size);
          transfer.CountFromStart();
          break;
        case PartWriter::Took::Changed:
          transfer.Moved(data);
          return ReceiveEnd::SenderChanged;
        case PartWriter::Took::Failed:
          return ReceiveEnd::OwnFailure;
      }
    }
    transfer.Moved(data);
  }
  return reader.state() == ChunkReader::State::Done ? ReceiveEnd::Whole : ReceiveEnd::PeerBroke;
}

EndNote NoteFor(platform::ErrorKind kind) {
  switch (kind) {
    case platform::ErrorKind::TooLong:
      return EndNote::PathTooLong;
    case platform::ErrorKind::NoFolder:
      return EndNote::NoFolder;
    case platform::ErrorKind::NoAccess:
      return EndNote::NoAccess;
    case platform::ErrorKind::DiskFull:
      return EndNote::DiskFull;
    default:
      return EndNote::CannotCreate;
  }
}

// A new part for `offer`, listed from the start when it may be kept. Null,
// with `why` set, when none can be had.
std::unique_ptr<PartFile> NewPart(TransferSide side, TransferHandle& transfer,
                                  const OfferedFile& offer, EndNote* why) {
  // Named from when and which transfer began: two transfers to one file at
  // once, or one after a stale part file, take different names.
  const Transfer facts = transfer.Read();
  platform::Error error;
  std::unique_ptr<PartFile> part = PartFile::Create(
      side.files, side.kept, offer.target, facts.startedAt ^ (facts.id * 0x9E3779B9u), &error);
  *why = part == nullptr ? NoteFor(error.kind)
                         : part->List({offer.uin, offer.name, offer.size, offer.target, 0, 0, 0});
  return *why == EndNote::None ? std::move(part) : nullptr;
}

// Where this transfer's data goes: on from a kept part of the same transfer
// when one can be gone on from and the user chooses to (without a question
// when `ask` is false), else a new part. A kept part not gone on from is
// removed. Null, with `why` set, when no part can be had.
std::unique_ptr<PartWriter> TakePart(TransferSide side, TransferHandle& transfer,
                                     const OfferedFile& offer, bool ask, EndNote* why) {
  KeptParts* kept = side.kept;
  const std::optional<ResumablePart> resumable =
      kept != nullptr ? SettleKeptParts(side.files, *kept, offer) : std::nullopt;
  PartWriter::NewPart fresh = [side, &transfer, offer](EndNote* note) {
    return NewPart(side, transfer, offer, note);
  };
  if (resumable) {
    std::optional<ResumePoint> point = ReadResumePoint(side.files, *resumable);
    if (point &&
        (!ask || side.user.AskYesNo(
                     ComposeResumeQuestion(offer.name, resumable->facts.kept, offer.size).c_str(),
                     text::kQuestionCaption))) {
      return std::make_unique<PartWriter>(side.files, *kept, offer.target, *resumable,
                                          std::move(*point), std::move(fresh));
    }
    RemoveKeptPart(side.files, resumable->record);
    kept->Forget(resumable->record, side.files);
  }
  std::unique_ptr<PartFile> part = fresh(why);
  return part != nullptr ? std::make_unique<PartWriter>(std::move(part)) : nullptr;
}

// Tries before a file taken without asking gives up its place: each
// failed one found a file that took the name meanwhile.
constexpr int kPlaceAttempts = 4;

void LogAsked(AutoAccepting& accepting, uint32_t uin, const std::string& why) {
  if (accepting.log)
    accepting.log(text::kLogAutoAcceptAsks + std::to_string(uin) + text::kLogReason + why);
}

// The part of an offer taken without asking, under a name held for
// it in the folder (`place`); the record says so. Null when the offer is to
// be asked instead: the log then says why, unless its contact is not
// listed. A kept part of the same file is gone on from without asking: the
// user let this contact's files come while away.
std::unique_ptr<PartWriter> TakeWithoutAsking(AutoAccepting& accepting, TransferSide side,
                                              TransferHandle& transfer, OfferedFile& offer,
                                              ReceivingNames::Hold* place) {
  AutoAcceptor::Decision decision = accepting.acceptor.Consider(offer.uin, offer.name, offer.size,
                                                                accepting.origin, side.folders);
  if (!decision.place) {
    if (!decision.why.empty()) LogAsked(accepting, offer.uin, decision.why);
    return nullptr;
  }
  offer.target = decision.place.Path();
  EndNote why = EndNote::None;
  std::unique_ptr<PartWriter> part = TakePart(side, transfer, offer, /*ask=*/false, &why);
  // A file that does not fit gives its part up: no part is had either way.
  const std::optional<RoomShortfall> lack = part ? LackOfRoom(side, part, offer) : std::nullopt;
  if (part == nullptr) {
    const std::string& folder = accepting.acceptor.Folder();
    LogAsked(accepting, offer.uin,
             lack ? NoRoomReason(*lack, folder) : EndNoteName(why) + (" folder=" + folder));
    offer.target.clear();
    return nullptr;
  }
  *place = std::move(decision.place);
  transfer.NameFile(offer.target);
  transfer.TakeWithoutAsking();
  return part;
}

// Puts a whole file taken without asking in place under the name
// held for it, never over another file: when one took that name meanwhile,
// the next free name is held and tried.
EndNote PlaceTaken(PartFile& part, int64_t size, const std::string& name,
                   ReceivingNames::Hold& place, AutoAcceptor& acceptor, TransferFolders& folders,
                   TransferHandle& transfer) {
  for (int attempt = 1;; ++attempt) {
    bool taken = false;
    const EndNote placed = part.CommitNew(size, place.Path(), &taken);
    if (!taken) return placed;
    if (attempt == kPlaceAttempts) return EndNote::CannotCreate;
    // The name taken stays held until another is: it is not chosen again.
    place = acceptor.HoldNextFreeName(name, folders);
    if (!place) return EndNote::CannotCreate;
    transfer.NameFile(place.Path());
  }
}

}  // namespace

int64_t AnnouncedSize(const wire::FileInfo& info) {
  return static_cast<int64_t>(std::min<uint64_t>(info.Size(), INT64_MAX));
}

bool ReceiveStream(StreamConnection& connection, TransferSide side, TransferHandle& transfer,
                   AutoAccepting* accepting) {
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
  const uint32_t uin = transfer.Read().uin;
  OfferedFile offer{uin, name, size, {}};
  ReceivingNames::Hold place;  // held while a file taken without asking comes
  std::unique_ptr<PartWriter> writer;
  if (accepting != nullptr) writer = TakeWithoutAsking(*accepting, side, transfer, offer, &place);
  if (writer == nullptr) {
    const std::string question = ComposeOfferQuestion(side.user.PeerName(uin), name, size);
    if (!side.user.AskYesNo(question.c_str(), text::kQuestionCaption)) {
      SendReply(connection, wire::kReplyRefuse);
      return false;
    }

    char path[platform::kPathBufferSize] = {};
    std::memcpy(path, name.data(), std::min(name.size(), sizeof path - 1));
    platform::FileDialog dialog =
        platform::FileDialogOver(path, text::kAllFilesFilter, platform::kSaveFileFlags);
    if (!side.user.ChooseSaveFile(dialog)) return false;
    path[sizeof path - 1] = '\0';
    // Known from here on: a file that cannot be saved is this side's failure.
    transfer.NameFile(path);

    // The part is had before the answer: when none can be, the offer is
    // refused, so the sender does not send into a closed connection.
    offer.target = path;
    EndNote why = EndNote::None;
    writer = TakePart(side, transfer, offer, /*ask=*/true, &why);
    if (writer == nullptr) {
      SendReply(connection, wire::kReplyRefuse);
      transfer.Note(why);
      return false;
    }
    if (const std::optional<RoomShortfall> lack = LackOfRoom(side, writer, offer)) {
      SendReply(connection, wire::kReplyRefuse);
      transfer.NoteNoRoom(*lack);
      return false;
    }
  }
  SendReply(connection, wire::kReplyAccept, writer->Offset());
  transfer.StartMoving(size, writer->Offset());
  // Only the rest comes: a sender that sends more than the rest, past the
  // window held to tell whether it sends the whole file, fails.
  ChunkReader reader(size - writer->Offset());
  ReceiveEnd end = ReceiveChunks(connection, reader, *writer, transfer, size);
  if (end != ReceiveEnd::OwnFailure && !writer->Flush()) end = ReceiveEnd::OwnFailure;
  EndNote note = EndNote::None;
  if (end == ReceiveEnd::Whole) {
    note = place ? PlaceTaken(*writer->Part(), size, name, place, accepting->acceptor, side.folders,
                              transfer)
                 : writer->Part()->Commit(size);
    if (note == EndNote::None) return true;
    // What came stays for a resume, as after any failure of this side.
    end = ReceiveEnd::OwnFailure;
  } else if (end == ReceiveEnd::OwnFailure) {
    note = writer->FailureNote() != EndNote::None ? writer->FailureNote() : EndNote::CannotWrite;
  } else if (end == ReceiveEnd::SenderChanged) {
    note = EndNote::SenderFileChanged;
  } else if (end == ReceiveEnd::PeerBroke && writer->Prior() > 0 &&
             reader.failure() == ChunkReader::Failure::PastAnnounced) {
    note = EndNote::SenderCannotResume;
  }
  const bool byUser = transfer.Read().StoppedByUser();
  KeptParts* kept = side.kept;
  if (const ResumablePart* waiting = writer->Waiting()) {
    // Nothing of this try reached the kept part: it stays as it was, but
    // for the user's own stop.
    if (byUser) {
      RemoveKeptPart(side.files, waiting->record);
      kept->Forget(waiting->record, side.files);
      transfer.Note(note);
    } else {
      kept->Add(waiting->record, side.files);
      transfer.Note(note == EndNote::None ? EndNote::PartKept : note, /*partKept=*/true);
    }
    return false;
  }
  const int64_t partBytes =
      std::max(writer->Prior(), writer->Offset() + static_cast<int64_t>(reader.Received()));
  PartFile* part = writer->Part();
  if (part != nullptr && kept != nullptr && KeepsPart(end, byUser, partBytes) &&
      part->Keep({uin, name, size, offer.target, partBytes, 0, kept->Now()})) {
    transfer.Note(end == ReceiveEnd::Cut ? EndNote::PartKept : note, /*partKept=*/true);
    return false;
  }
  transfer.Note(note);
  return false;
}

}  // namespace kvel::transfers
