// One file transfer as the transfers registry knows it, copied out at one
// moment: who, which way, which file and how far. A value; the registry
// holds the record itself (transfer_registry.h).
#pragma once

#include <cstdint>
#include <string>

#include "platform/sockets.h"

namespace kvel::transfers {

// Which way the file goes, from this side's view.
enum TransferDirection : int32_t { Send = 0, Receive = 1 };

// Made by the registry when the transfer begins; never 0, never reused
// while the registry runs.
using TransferId = uint32_t;

// Where a transfer stands. It only ever moves down this list.
enum class TransferState {
  Waiting,  // begun, not yet agreed with the peer: no connection yet, or one
            // still being made or handshaken; `awaits` says what for
  Asking,   // the handshake agreed: the offer, the question, the file's choice
  Moving,   // the peer took the offer: the file's data flows
  Ended,    // over; `outcome` tells how
};

// What a Waiting transfer waits for. Only a wait the user should see is
// listed in the window, each with a text of its own.
enum class Awaits {
  Handshake,   // an accepted connection not yet handshaken: not listed
  Connection,  // this user's send: a connection to the contact, made
               // directly or by the contact calling back
  Turn,        // this user's send: its turn among the sends to the contact
               // (a few run at once, the rest wait in the order chosen)
};

enum class TransferOutcome {
  Done,      // the file went over whole
  Stopped,   // the user stopped it, or the plug-in was unloaded
  Declined,  // this user did not take or choose a file: nothing to tell
  Refused,   // the peer did not take the file this user offered
  Failed,    // broke off, or never got as far as the handshake
};

// What the receiving side knows of how its transfer ended beyond the
// outcome: logged, and told with the outcome.
enum class EndNote {
  None,
  PartKept,            // cut: what came is kept, to be resumed
  SenderCannotResume,  // asked for the rest of the file, the sender sent more
  SenderFileChanged,   // going on, the sender's file was not the one kept from
  // This side could not save the file, and why.
  PathTooLong,
  NoFolder,
  NoAccess,
  DiskFull,
  CannotCreate,
  CannotWrite,
  CannotReplace,
  CannotList,  // the kept parts' list could not be written
  NoRoom,      // refused before a byte came: the file would not fit (`room` says how far)
};

// What a file needed on its volume beside what was free there, in bytes.
struct RoomShortfall {
  uint64_t needed = 0;
  uint64_t free = 0;
};

struct Transfer {
  TransferId id = 0;
  uint32_t uin = 0;     // the contact's GG number
  std::string contact;  // the contact as the contact list names it
  TransferDirection direction = Send;
  std::string path;        // the local file; empty until one is chosen
  int64_t size = 0;        // the file's size as the offer announced it
  int64_t offset = 0;      // where in the file the data started (0: from the start)
  int64_t moved = 0;       // bytes moved over this connection so far
  uint32_t startedAt = 0;  // the registry's clock when the transfer began
  // The connection's socket while it has one (its thread alone closes it).
  platform::Socket socket = platform::kInvalidSocket;
  TransferState state = TransferState::Waiting;
  Awaits awaits = Awaits::Handshake;                  // meaningful while Waiting
  TransferOutcome outcome = TransferOutcome::Failed;  // meaningful once Ended
  bool stopped = false;                               // stopped by the user, or by the unloading
  bool unloading = false;  // stopped by the unloading, not by the user before it
  EndNote note = EndNote::None;
  // What came is kept to be resumed: after a cut (`note` PartKept), or after
  // this side failed to save it (`note` says why).
  bool partKept = false;
  RoomShortfall room;  // with EndNote::NoRoom
  // Received without asking (a trusted contact's file).
  bool takenWithoutAsking = false;
  // Waiting its turn to move data under the speed limit: more transfers run
  // than the limit can give each its share (a sender waits before its
  // offer, a receiver before its first read of data).
  bool awaitsShare = false;
  // Bytes per second over the last few seconds; set in snapshots.
  float speed = 0;

  // Stopped by the user's own stop button.
  bool StoppedByUser() const { return stopped && !unloading; }
  // Bytes of the file this side has: where it started and what moved since.
  int64_t Done() const { return offset + moved; }
  // Listed in the transfer window: agreed with the peer, or waiting for
  // something the user should see, and not yet over.
  bool Listed() const {
    return state == TransferState::Asking || state == TransferState::Moving ||
           (state == TransferState::Waiting && awaits != Awaits::Handshake);
  }
};

}  // namespace kvel::transfers
