// A direct connection as the file-transfer procedures see it: the socket in
// the product, a scripted fake in tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvel::transfers {

class StreamConnection {
 public:
  virtual ~StreamConnection() = default;
  // One receive of up to `count` bytes: the count received (fewer than asked
  // is normal), 0 when the peer has closed, negative on error.
  virtual int Read(void* buffer, int count) = 0;
  // One send: the count sent, negative on error.
  virtual int Write(const void* data, int count) = 0;
  // Ends the sending direction: the peer reads the stream's end after the
  // data already sent.
  virtual void ShutdownSend() = 0;
  // Waits at most `milliseconds` for the peer to close its side: true once a
  // read returns 0; false on an error or when the time runs out. Bytes that
  // arrive meanwhile are dropped.
  virtual bool WaitForPeerClose(uint32_t milliseconds) = 0;
  // Whether the peer has closed or the connection failed, with nothing left
  // to read; looks without waiting or taking data. A connection that cannot
  // tell says no.
  virtual bool PeerGone() { return false; }
  // Before the file's data is offered: waits, when the connection is paced
  // by a speed limit, until its transfer's turn to move data comes (a stop
  // ends the wait; the next read or write then fails).
  virtual void AwaitTurn() {}
  // The most bytes one read or write should carry to keep the connection's
  // pace; SIZE_MAX when it is not paced.
  virtual size_t PaceBytes() const { return SIZE_MAX; }
};

// Receives exactly `size` bytes, reading again for the bytes still missing;
// false when the connection ends or fails first.
bool ReadExact(StreamConnection& connection, void* buffer, size_t size);
// Sends `size` bytes, sending again after a partial send. Returns the count
// sent, which is `size` unless the connection failed.
size_t WriteAll(StreamConnection& connection, const void* data, size_t size);

}  // namespace kvel::transfers
