#include "transfers/side/platform_streams.h"

#include "transfers/pace/paced_connection.h"
#include "transfers/side/platform_side.h"
#include "transfers/stream/receive_stream.h"
#include "transfers/stream/send_stream.h"

namespace kvel::transfers {

bool ReceiveFile(host::HostServices& services, KeptParts* kept, StreamConnection& connection,
                 TransferHandle& transfer, const OfferOrigin& origin, QuestionTurns* turns,
                 AutoAccepting* accepting, SpeedLimit* limit) {
  PacedConnection paced(connection, limit, transfer);
  PlatformTransferSide side(services, kept, turns, &transfer, &paced, origin);
  return ReceiveStream(paced, side, transfer, accepting);
}

bool SendFile(host::HostServices& services, StreamConnection& connection, TransferHandle& transfer,
              const FurtherFiles& further, SpeedLimit* limit) {
  PacedConnection paced(connection, limit, transfer);
  PlatformTransferSide side(services, nullptr);
  return SendStream(paced, side, transfer, further);
}

}  // namespace kvel::transfers
