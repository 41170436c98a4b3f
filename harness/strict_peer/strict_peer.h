// A peer on a direct connection that reads as some GG client libraries do:
// once the socket is readable it takes each protocol item with one receive
// call of exactly the item's size, and a short read fails the transfer. A
// chunk's data is taken right after its header, without waiting again, so
// data that did not come with its header is a short read too. It writes
// every item whole. It plays the handshake on either side and the
// file transfer in either direction, so that kvel's ends can be shown to
// write each item whole. It resumes both ways: as receiver it may ask for
// the file from an offset and then takes exactly the rest; as sender it
// honours the offset it is asked for. Its own byte layouts: nothing of
// kvel's codecs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sockets.h"

namespace kvel::strict {

// Direction codes of the handshake.
inline constexpr uint32_t kPush = 2;  // the caller sends
inline constexpr uint32_t kPull = 3;  // the caller receives

class StrictPeer {
 public:
  // Works on a connected socket it does not own. `waitMs` bounds each wait
  // for the socket to become readable.
  explicit StrictPeer(platform::Socket socket, uint32_t waitMs = 10000)
      : socket_(socket), waitMs_(waitMs) {}

  // Handshake as the caller: the number pair, "UDAG" back, the code.
  bool Call(uint32_t ownUin, uint32_t calledUin, uint32_t code);
  // Handshake as the called side; `code` receives the caller's code.
  bool Answer(uint32_t* callerUin, uint32_t* code);

  // Takes an offered file and accepts it from `offset` on (0: the whole
  // file); `file` receives the data that came, which must be exactly the
  // offered size less the offset.
  bool ReceiveFile(std::vector<uint8_t>* file, uint32_t offset = 0);
  // The same in steps: reads the offer (its name is then OfferedName()),
  // then accepts it as ReceiveFile does, or refuses it.
  bool ReadOffer();
  bool AcceptOffer(std::vector<uint8_t>* file, uint32_t offset = 0);
  bool RefuseOffer();
  const std::string& OfferedName() const { return offeredName_; }
  // Offers `file` as `name` and, once accepted, sends it from the offset
  // the acceptance asks for in chunks of 4096 bytes and a shorter last one,
  // each chunk with its header in one write. An offset past the end sends
  // nothing and fails.
  bool SendFile(const std::string& name, const std::vector<uint8_t>& file);
  // The offset the last acceptance asked this peer for.
  uint32_t OffsetAsked() const { return offsetAsked_; }

  // What went wrong, e.g. "short read of the offer: 4 of 332 bytes".
  const std::string& Failure() const { return failure_; }
  // Bytes of the file-transfer stream read so far (the handshake not
  // counted); may be read on another thread.
  uint64_t StreamBytesRead() const { return streamRead_; }
  // True once the transfer has failed; may be read on another thread.
  bool Failed() const { return failed_; }

 private:
  // `wait`: wait for the socket to be readable first; otherwise take what
  // is there at once.
  bool ReadItem(void* buffer, size_t size, const char* what, bool wait = true);
  bool ReadStreamItem(void* buffer, size_t size, const char* what, bool wait = true);
  bool WriteItem(const std::vector<uint8_t>& bytes, const char* what);
  bool Fail(std::string failure);

  platform::Socket socket_;
  uint32_t waitMs_;
  std::string failure_;
  uint32_t offsetAsked_ = 0;
  std::string offeredName_;
  uint64_t offeredSize_ = 0;
  std::atomic<uint64_t> streamRead_{0};
  std::atomic<bool> failed_{false};
};

}  // namespace kvel::strict
