#include "plugin/process_listener.h"

#include "plugin/host.h"
#include "plugin/production_edges.h"

namespace kvel {
namespace {
p2p::Listener g_listener{ProcessHost(), ProductionEdges()};
}

p2p::Listener& ProcessListener() {
  return g_listener;
}

}  // namespace kvel
