// The two halves of the file-transfer stream as the product runs them: over
// a handshaken connection, with the platform's dialogs and files and the
// host's contact list, keeping the transfer's record current.
#pragma once

#include "host/host_services.h"
#include "transfers/auto_accept/auto_acceptor.h"
#include "transfers/pace/speed_limit.h"
#include "transfers/registry/transfer_registry.h"
#include "transfers/stream/send_stream.h"
#include "transfers/stream/stream_connection.h"
#include "transfers/telling/question_turns.h"

namespace kvel::transfers {

class KeptParts;

// Receives the file the transfer's contact offers over a connection from
// `origin`, keeping and resuming cut parts in `kept` (null: none are kept),
// its question waiting for the peer's turn in `turns` (when given), taken
// without asking when `accepting` (when given) says so, its data
// paced by `limit` (when given). True only when the last chunk and its data
// have been received and the file took its name.
bool ReceiveFile(host::HostServices& services, KeptParts* kept, StreamConnection& connection,
                 TransferHandle& transfer, const OfferOrigin& origin,
                 QuestionTurns* turns = nullptr, AutoAccepting* accepting = nullptr,
                 SpeedLimit* limit = nullptr);
// Sends the file the transfer names, or one the user chooses (several, the
// rest handed to `further`, when it is given), its data paced by `limit`
// (when given). True only when the last chunk has been sent and the
// receiver has closed the connection.
bool SendFile(host::HostServices& services, StreamConnection& connection, TransferHandle& transfer,
              const FurtherFiles& further = nullptr, SpeedLimit* limit = nullptr);

}  // namespace kvel::transfers
