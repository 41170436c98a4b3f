#include "transfers/side/platform_streams.h"

#include "transfers/side/platform_side.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/send_stream.h"

namespace kvel::transfers {

bool ReceiveFile(host::HostServices& services, KeptParts* kept, StreamConnection& connection,
                 TransferHandle& transfer, const OfferOrigin& origin, QuestionTurns* turns,
                 AutoAccepting* accepting) {
  PlatformTransferSide side(services, kept, turns, &transfer, &connection, origin);
  return ReceiveStream(connection, side, transfer, accepting);
}

bool SendFile(host::HostServices& services, StreamConnection& connection, TransferHandle& transfer,
              const FurtherFiles& further) {
  PlatformTransferSide side(services, nullptr);
  return SendStream(connection, side, transfer, further);
}

}  // namespace kvel::transfers
