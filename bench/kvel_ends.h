// kvel's two ends in one process: for each pair, the file-transfer stream's
// sender and receiver over a connection of their own loopback address, with
// the product's files, socket reads and writes and transfers registry (one
// registry for all, as one plug-in keeps them, rendered meanwhile by a
// window), and users who choose the file, accept and save at once (no dialog
// time). The pairs run at once.
#pragma once

#include <vector>

#include "loopback_copy.h"
#include "measure.h"

namespace kvel::bench {

Result KvelEnds(const std::vector<FilePair>& pairs);

}  // namespace kvel::bench
