// The process's listener for direct connections.
#pragma once

#include "p2p/listener.h"

namespace kvel {

// Constructed at module load over the process's host and the production
// connection edges; started by LoadPlugin, stopped at unload.
p2p::Listener& ProcessListener();

}  // namespace kvel
