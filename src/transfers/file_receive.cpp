// The receiving half of the file-transfer stream.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "transfers/auto_accept_texts.h"
#include "transfers/block_writer.h"
#include "transfers/chunk_reader.h"
#include "transfers/kept_parts.h"
#include "transfers/kept_rules.h"
#include "transfers/offer_question.h"
#include "transfers/offered_name.h"
#include "transfers/part_file.h"
#include "transfers/room_check.h"
#include "transfers/transfer_outcome.h"
#include "transfers/transfer_stream.h"
#include "transfers/transfer_texts.h"
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
// `transfer`, once per read.
ReceiveEnd ReceiveChunks(StreamConnection& connection, ChunkReader& reader, BlockWriter& writer,
                         TransferHandle& transfer) {
  std::vector<uint8_t> buffer(wire::kReceiveBufferSize);
  while (reader.state() == ChunkReader::State::Reading) {
    const int got = connection.Read(buffer.data(), static_cast<int>(buffer.size()));
    if (got <= 0) return ReceiveEnd::Cut;
    std::span<const uint8_t> input(buffer.data(), std::min<size_t>(got, buffer.size()));
    int64_t data = 0;
    while (!input.empty() && reader.state() == ChunkReader::State::Reading) {
      const ChunkReader::Step step = reader.Next(input);
      input = input.subspan(step.used);
      if (!writer.Write(step.data)) return ReceiveEnd::OwnFailure;
      data += static_cast<int64_t>(step.data.size());
    }
    transfer.Moved(data);
  }
  return reader.state() == ChunkReader::State::Done ? ReceiveEnd::Whole : ReceiveEnd::PeerBroke;
}

EndNote NoteFor(platform::FileProblem problem) {
  switch (problem) {
    case platform::FileProblem::TooLong:
      return EndNote::PathTooLong;
    case platform::FileProblem::NoFolder:
      return EndNote::NoFolder;
    case platform::FileProblem::NoAccess:
      return EndNote::NoAccess;
    case platform::FileProblem::DiskFull:
      return EndNote::DiskFull;
    default:
      return EndNote::CannotCreate;
  }
}

// The part this transfer writes: a kept one of the same transfer when the
// user chooses to go on from it, or without a question when `ask` is false
// (`offset`, `prior` then say where from and how much it held), else a new
// one. A kept part not gone on from is removed. Null, with `problem` set,
// when no part can be had.
std::unique_ptr<PartFile> TakePart(TransferSide& side, TransferHandle& transfer,
                                   const OfferedFile& offer, bool ask, uint32_t* offset,
                                   int64_t* prior, platform::FileProblem* problem) {
  KeptParts* kept = side.Kept();
  const std::optional<ResumablePart> resumable =
      kept != nullptr ? SettleKeptParts(side, *kept, offer) : std::nullopt;
  if (resumable) {
    const uint32_t from = ResumeOffset(resumable->facts.kept);
    std::unique_ptr<PartFile> part;
    if (!ask || side.AskYesNo(ComposeResumeQuestion(offer.name, from, offer.size).c_str(),
                              text::kQuestionCaption)) {
      part =
          PartFile::Reopen(side, offer.target, PartNames{resumable->part, resumable->record}, from);
    }
    if (part != nullptr) {
      *offset = from;
      *prior = resumable->facts.kept;
      return part;
    }
    RemoveKeptPart(side, resumable->record);
    kept->Forget(resumable->record);
  }
  // Named from when and which transfer began: two transfers to one file at
  // once, or one after a stale part file, take different names.
  const Transfer facts = transfer.Read();
  return PartFile::Create(side, offer.target, facts.startedAt ^ (facts.id * 0x9E3779B9u), problem);
}

// Tries before a file taken without the question gives up its place: each
// failed one found a file that took the name meanwhile.
constexpr int kPlaceAttempts = 4;

void LogAsked(AutoAccepting& accepting, uint32_t uin, const std::string& why) {
  if (accepting.log)
    accepting.log(text::kLogAutoAcceptAsks + std::to_string(uin) + text::kLogReason + why);
}

// The part of an offer taken without the question, under a name held for
// it in the folder (`place`); the record says so. Null when the offer is to
// be asked instead: the log then says why, unless its contact is not
// listed. A kept part of the same file is gone on from without asking: the
// user let this contact's files come while away.
std::unique_ptr<PartFile> TakeWithoutAsking(AutoAccepting& accepting, TransferSide& side,
                                            TransferHandle& transfer, OfferedFile& offer,
                                            ReceivingNames::Hold* place, uint32_t* offset,
                                            int64_t* prior) {
  AutoAcceptor::Decision decision =
      accepting.acceptor.Consider(offer.uin, offer.name, offer.size, accepting.origin, side);
  if (!decision.place) {
    if (!decision.why.empty()) LogAsked(accepting, offer.uin, decision.why);
    return nullptr;
  }
  offer.target = decision.place.Path();
  platform::FileProblem problem = platform::FileProblem::None;
  std::unique_ptr<PartFile> part =
      TakePart(side, transfer, offer, /*ask=*/false, offset, prior, &problem);
  if (part == nullptr) {
    LogAsked(accepting, offer.uin,
             std::string(EndNoteName(NoteFor(problem))) + " folder=" + accepting.acceptor.Folder());
    offer.target.clear();
    return nullptr;
  }
  if (const std::optional<RoomShortfall> lack = LackOfRoom(side, part, offer, *prior)) {
    LogAsked(accepting, offer.uin, NoRoomReason(*lack, accepting.acceptor.Folder()));
    offer.target.clear();
    *offset = 0;
    *prior = 0;
    return nullptr;
  }
  *place = std::move(decision.place);
  transfer.NameFile(offer.target);
  transfer.TakeWithoutAsking();
  return part;
}

// Puts a whole file taken without the question in place under the name
// held for it, never over another file: when one took that name meanwhile,
// the next free name is held and tried.
EndNote PlaceTaken(PartFile& part, int64_t size, const std::string& name,
                   ReceivingNames::Hold& place, AutoAcceptor& acceptor, TransferSide& side,
                   TransferHandle& transfer) {
  for (int attempt = 1;; ++attempt) {
    bool taken = false;
    const EndNote placed = part.CommitNew(size, place.Path(), &taken);
    if (!taken) return placed;
    if (attempt == kPlaceAttempts) return EndNote::CannotCreate;
    // The name taken stays held until another is: it is not chosen again.
    place = acceptor.Again(name, side);
    if (!place) return EndNote::CannotCreate;
    transfer.NameFile(place.Path());
  }
}

}  // namespace

int64_t AnnouncedSize(const wire::FileInfo& info) {
  return static_cast<int64_t>(std::min<uint64_t>(info.Size(), INT64_MAX));
}

bool ReceiveStream(StreamConnection& connection, TransferSide& side, TransferHandle& transfer,
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
  uint32_t offset = 0;
  int64_t prior = 0;
  ReceivingNames::Hold place;  // held while a file taken without the question comes
  std::unique_ptr<PartFile> part;
  if (accepting != nullptr)
    part = TakeWithoutAsking(*accepting, side, transfer, offer, &place, &offset, &prior);
  if (part == nullptr) {
    const std::string question = ComposeOfferQuestion(side.PeerName(uin), name, size);
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
    // Known from here on: a file that cannot be saved is this side's failure.
    transfer.NameFile(path);

    // The part is had before the answer: when none can be, the offer is
    // refused, so the sender does not send into a closed connection.
    offer.target = path;
    platform::FileProblem problem = platform::FileProblem::None;
    part = TakePart(side, transfer, offer, /*ask=*/true, &offset, &prior, &problem);
    if (part == nullptr) {
      SendReply(connection, wire::kReplyRefuse);
      transfer.Note(NoteFor(problem));
      return false;
    }
    if (const std::optional<RoomShortfall> lack = LackOfRoom(side, part, offer, prior)) {
      SendReply(connection, wire::kReplyRefuse);
      transfer.NoteNoRoom(*lack);
      return false;
    }
  }
  SendReply(connection, wire::kReplyAccept, offset);
  transfer.StartMoving(size, offset);
  // Only the rest comes: a sender that ignores the offset goes past it.
  ChunkReader reader(size - offset);
  BlockWriter writer(part->File());
  ReceiveEnd end = ReceiveChunks(connection, reader, writer, transfer);
  if (end != ReceiveEnd::OwnFailure && !writer.Flush()) end = ReceiveEnd::OwnFailure;
  KeptParts* kept = side.Kept();
  // A part gone on from is listed until it is placed, kept anew or removed.
  const bool resumed = prior > 0;
  if (end == ReceiveEnd::Whole) {
    const EndNote placed =
        place ? PlaceTaken(*part, size, name, place, accepting->acceptor, side, transfer)
              : part->Commit(size);
    if (resumed) kept->Forget(part->Names().record);
    if (placed == EndNote::None) return true;
    transfer.Note(placed);
    return false;
  }
  if (end == ReceiveEnd::OwnFailure) transfer.Note(EndNote::CannotWrite);
  if (end == ReceiveEnd::PeerBroke && resumed &&
      reader.failure() == ChunkReader::Failure::PastAnnounced)
    transfer.Note(EndNote::SenderCannotResume);

  // What came before a cut is kept, with what it holds from the file's start.
  const int64_t partBytes = std::max(prior, offset + static_cast<int64_t>(reader.Received()));
  if (kept != nullptr && KeepsPart(end, transfer.Read().StoppedByUser(), partBytes)) {
    const KeptRecord facts{uin, name, size, offer.target, partBytes, 0, kept->Now()};
    if (part->Keep(facts)) {
      kept->Add(part->Names().record, side);
      transfer.Note(EndNote::PartKept);
      return false;
    }
  }
  if (resumed) kept->Forget(part->Names().record);
  return false;
}

}  // namespace kvel::transfers
