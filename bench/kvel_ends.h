// Two kvel ends in one process: the file-transfer stream's sender and
// receiver over a loopback connection, with the product's files, socket
// reads and writes and transfers registry (a window renders it meanwhile),
// and a user who chooses the file, accepts and saves at once (no dialog
// time).
#pragma once

#include <string>

#include "measure.h"

namespace kvel::bench {

Result KvelEnds(const std::string& source, const std::string& target);

}  // namespace kvel::bench
