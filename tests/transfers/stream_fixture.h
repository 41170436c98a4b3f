// What the tests of the file-transfer stream share: one run of either half
// on a scripted connection, with a fake side of its own or the fixture's, in
// a scratch folder; and what such a run left.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/fake_connection.h"
#include "support/fake_transfer_side.h"
#include "support/golden_stream.h"
#include "support/lone_transfer.h"
#include "support/test_paths.h"
#include "transfers/kept/kept_parts.h"
#include "transfers/kept/part_names.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/send_stream.h"
#include "wire/transfer_records.h"

namespace kvel::transfers {

using Bytes = std::vector<uint8_t>;
using testing::FakeConnection;
using testing::FakeTransferSide;
using testing::LoneTransfer;
using testing::PatternBytes;
using testing::StreamBuilder;

// OfferStart, OfferInfo, two zero words and the file's record.
inline constexpr size_t kOfferBytes = 16 + wire::kFileInfoSize;

inline Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
  return Bytes(bytes.begin() + static_cast<ptrdiff_t>(from),
               bytes.begin() + static_cast<ptrdiff_t>(from + count));
}

// The receiver's answer to an offer: its code and the offset it asks from.
inline Bytes Reply(uint32_t code, size_t offset = 0) {
  return testing::Words({code, static_cast<uint32_t>(offset), 0});
}

// A file's content; empty when it cannot be read.
inline std::string Content(const std::string& path) {
  std::string content;
  testing::ReadFile(path, &content);
  return content;
}

inline Bytes ContentBytes(const std::string& path) {
  const std::string content = Content(path);
  return Bytes(content.begin(), content.end());
}

// The bytes of the one part `side` kept; empty when it kept none.
inline Bytes KeptBytes(FakeTransferSide& side) {
  const std::vector<std::string> records = side.keptParts.Free();
  return records.size() == 1 ? ContentBytes(*PartOfRecord(records[0])) : Bytes{};
}

// What one run of a half of the stream came to.
struct StreamRun {
  bool done = false;
  FakeConnection connection;  // as the run left it: what it wrote and read
  Transfer facts;
  std::vector<std::string> dialogs;    // their kinds, in order
  std::vector<std::string> questions;  // the questions' texts
  const Bytes& Written() const { return connection.Written(); }
};

// How a run goes beside its stream.
struct RunOptions {
  size_t cut = SIZE_MAX;  // the incoming bytes end after this many
  uint32_t uin = 4321;
  AutoAccepting* accepting = nullptr;
  // Runs with the transfer and the connection before the stream does.
  std::function<void(LoneTransfer&, FakeConnection&)> before = nullptr;
};

class StreamTest : public ::testing::Test {
 protected:
  // Receives `incoming` on `side`.
  static StreamRun Receive(FakeTransferSide& side, Bytes incoming, const RunOptions& options = {}) {
    return Run(side, transfers::Receive, std::move(incoming), options);
  }
  StreamRun Receive(Bytes incoming, const RunOptions& options = {}) {
    return Receive(side_, std::move(incoming), options);
  }
  // Sends the file `side` chooses to a peer that answers with `incoming`.
  static StreamRun Send(FakeTransferSide& side, Bytes incoming, const RunOptions& options = {}) {
    return Run(side, transfers::Send, std::move(incoming), options);
  }

  testing::ScratchDir scratch_;
  FakeTransferSide side_;

 private:
  static StreamRun Run(FakeTransferSide& side, TransferDirection direction, Bytes incoming,
                       const RunOptions& options) {
    LoneTransfer transfer(options.uin, direction);
    StreamRun run{false, FakeConnection(std::move(incoming)), {}, {}, {}};
    run.connection.CutAt(options.cut);
    if (options.before) options.before(transfer, run.connection);
    side.dialogs.clear();
    run.done = direction == transfers::Send
                   ? SendStream(run.connection, side, transfer.handle)
                   : ReceiveStream(run.connection, side, transfer.handle, options.accepting);
    run.facts = transfer.Read();
    run.dialogs = side.DialogKinds();
    for (const auto& dialog : side.dialogs)
      if (dialog.kind == "question") run.questions.push_back(dialog.text);
    return run;
  }
};

}  // namespace kvel::transfers
