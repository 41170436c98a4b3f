#include "transfers/stream/stream_connection.h"

#include <algorithm>
#include <climits>

namespace kvel::transfers {
namespace {
int Piece(size_t left) {
  return static_cast<int>(std::min<size_t>(left, INT_MAX));
}
}  // namespace

bool ReadExact(StreamConnection& connection, void* buffer, size_t size) {
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < size) {
    const int ask = Piece(size - done);
    const int got = connection.Read(out + done, ask);
    if (got <= 0) return false;
    done += static_cast<size_t>(std::min(got, ask));
  }
  return true;
}

size_t WriteAll(StreamConnection& connection, const void* data, size_t size) {
  const auto* in = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const int ask = Piece(size - done);
    const int sent = connection.Write(in + done, ask);
    // A send of nothing would repeat for ever: it counts as a failure.
    if (sent <= 0) break;
    done += static_cast<size_t>(std::min(sent, ask));
  }
  return done;
}

}  // namespace kvel::transfers
