// Files of a transfer as the platform opens them (platform/files.h). A file
// being written may be read and written by other programs meanwhile.
#pragma once

#include <memory>

#include "platform/file_handle.h"
#include "transfers/side/stream_file.h"

namespace kvel::transfers {

// The platform's `file` as a transfer's file; null when the handle is empty
// (the file could not be opened).
std::unique_ptr<StreamFile> StreamFileOf(platform::FileHandle file);

}  // namespace kvel::transfers
