// The code-3 branch of a connection while this user waits for a contact's
// call-back with a send: the caller's hello, its code and its answer to the
// offer come from the input in any split, and so do where the GG server
// announced the contact, where the caller is and what the user answers
// when asked about it.
//
// Checks that the handshake reads no more than it needs; that only the
// contact itself (from its announced address, or from another one the user
// let call when the contact may sit behind a router) takes the wait and is
// offered a byte of the file; that anyone else gets "UDAG" at most and
// leaves every wait as it was; and that the user is asked only about such
// a caller, at most once.
//
// Input: [where: 1][waits: 1][peer's bytes...]. Where bits 0-3: the split
// (0: 64 KiB); 4-5: the contact announced at 127.0.0.1, 80.1.2.3, 0.0.0.0 or
// 192.168.1.5; 6: the caller is at the announced address (else 127.0.0.2);
// 7: the user's answer. Waits bit 0: a call-back is awaited from 777; 1: its
// send names a file already; 2: a second one is awaited.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "memory_side.h"
#include "p2p/admission/awaited_call_backs.h"
#include "p2p/admission/call_back_taking.h"
#include "p2p/admission/foreign_call_backs.h"
#include "p2p/connection/handshake_steps.h"
#include "platform/sockets.h"
#include "scripted_peer.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/stream/send_stream.h"
#include "wire/handshake.h"

namespace {
using namespace kvel;

using fuzz::Check;

constexpr uint32_t kContact = 777;
constexpr char kFile[] = "/out/photo.jpg";
const char* const kAnnounced[] = {"127.0.0.1", "80.1.2.3", "0.0.0.0", "192.168.1.5"};

class Sending final : public fuzz::MemorySide {
 public:
  explicit Sending(fuzz::Disk& disk) : MemorySide(disk) {}
  bool AskYesNo(const char*, const char*) override { return false; }
  bool ChooseSaveFile(platform::FileDialog&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t where = data[0], waits = data[1];
  const size_t split = (where & 0x0F) == 0 ? 65536 : (where & 0x0F);
  const uint32_t announced = platform::InetAddr(kAnnounced[(where >> 4) & 3]);
  const uint32_t remote = where & 0x40 ? announced : platform::InetAddr("127.0.0.2");
  const bool userSaysYes = where & 0x80;

  fuzz::Disk disk;
  disk.files[kFile].bytes.assign(5000, 0x33);
  Sending side(disk);
  transfers::TransferRegistry registry([] { return 0u; });
  p2p::AwaitedCallBacks callBacks(
      8, 60000, [] { return 0u; }, nullptr);
  for (int i = 0; i < ((waits & 1) ? 1 + ((waits >> 2) & 1) : 0); ++i) {
    transfers::TransferHandle send = registry.Begin(kContact, transfers::Send);
    if (waits & 2) send.NameFile(kFile);
    send.Await(transfers::Awaits::Connection, "777");
    callBacks.Await(kContact, std::move(send), "");
  }
  const size_t awaited = callBacks.CountOf(kContact);
  int questions = 0;
  p2p::ForeignCallBacks foreign(
      [&](uint32_t, uint32_t) {
        ++questions;
        return userSaysYes;
      },
      [] { return 0u; });

  fuzz::ScriptedPeer peer(data + 2, size - 2, split);
  transfers::TransferHandle taken;
  p2p::CallBackTaken outcome = p2p::CallBackTaken::Unasked;
  uint32_t claimed = 0;
  const p2p::Handshake handshake = p2p::AnswerPeer(peer, [&](uint32_t caller) {
    claimed = caller;
    outcome = p2p::TakeCallBack(callBacks, foreign, caller, remote, announced, 0, &taken);
    return outcome == p2p::CallBackTaken::Taken;
  });
  Check(peer.Consumed() <= 12);
  // Where the contact may sit behind a router (no address announced, or a
  // home one), a caller elsewhere may be it; beside one on this machine or
  // in public, it may not.
  const unsigned kind = (where >> 4) & 3;
  const bool isContact = (where & 0x40) && kind != 2;
  const bool unsure = !isContact && kind >= 2;
  Check(questions <= 1);
  if (questions == 1) Check(unsure && claimed == kContact && awaited > 0);

  if (outcome != p2p::CallBackTaken::Taken) {
    // Nothing for it but the answer to its hello; every wait stays.
    Check(peer.written.size() <= wire::kAnswer.size());
    Check(callBacks.CountOf(kContact) == awaited);
    return 0;
  }
  Check(handshake.result == p2p::Handshake::Result::Agreed);
  Check(claimed == kContact && awaited > 0);
  Check(isContact || (unsure && userSaysYes));
  Check(callBacks.CountOf(kContact) == awaited - 1);
  if (taken) {
    transfers::SendStream(peer, side, taken);
    taken.End(transfers::TransferOutcome::Failed);
  }
  callBacks.Stop();
  return 0;
}
