#include "transfers/file_transfer.h"

#include "transfers/paced_connection.h"
#include "transfers/platform_side.h"
#include "transfers/transfer_stream.h"

namespace kvel::transfers {

bool ReceiveFile(host::HostServices& services, KeptParts* kept, StreamConnection& connection,
                 TransferHandle& transfer, QuestionTurns* turns, AutoAccepting* accepting,
                 SpeedLimit* limit) {
  PacedConnection paced(connection, limit, transfer);
  PlatformTransferSide side(services, kept, turns, &transfer, &paced);
  return ReceiveStream(paced, side, transfer, accepting);
}

bool SendFile(host::HostServices& services, StreamConnection& connection, TransferHandle& transfer,
              const FurtherFiles& further, SpeedLimit* limit) {
  PacedConnection paced(connection, limit, transfer);
  PlatformTransferSide side(services, nullptr);
  return SendStream(paced, side, transfer, further);
}

}  // namespace kvel::transfers
