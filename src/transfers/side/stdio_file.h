// Files of a transfer as the platform opens them (platform/files.h). A file
// being written may be read and written by other programs meanwhile.
#pragma once

#include <memory>

#include "platform/files.h"
#include "transfers/side/stream_file.h"

namespace kvel::transfers {

// Null when the file cannot be opened.
std::unique_ptr<StreamFile> OpenStdioFileForReading(const char* path);
// Creates a new file; null when the path exists already or it cannot, and
// then `error` (when given) says why.
std::unique_ptr<StreamFile> CreateStdioFile(const char* path, platform::Error* error = nullptr);
// Opens an existing file for reading and writing; null when it cannot.
std::unique_ptr<StreamFile> OpenStdioFileForUpdate(const char* path);

}  // namespace kvel::transfers
