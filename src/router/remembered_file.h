// The router kvel found at its last start, kept in a small file of the data
// directory between starts (router_answers.h reads and writes its text).
#pragma once

#include <string>

#include "router/router_answers.h"

namespace kvel::router {

// Nothing remembered when the file is missing, too long or damaged.
Remembered LoadRemembered(const std::string& path);
// Writes the file anew; false when it cannot be written.
bool SaveRemembered(const std::string& path, const Remembered& remembered);

}  // namespace kvel::router
