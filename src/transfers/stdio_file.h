// Files of a transfer as standard binary streams. A file being written may
// be read and written by other programs meanwhile.
#pragma once

#include <memory>

#include "transfers/transfer_side.h"

namespace kvel::transfers {

// Null when the file cannot be opened.
std::unique_ptr<StreamFile> OpenStdioFileForReading(const char* path);
// Creates a new file; null when the path exists already or it cannot.
std::unique_ptr<StreamFile> CreateStdioFile(const char* path);

}  // namespace kvel::transfers
