// PendingImages: the images this side offered and the peer has not asked for
// yet, from image identity to local path. One table per process, guarded by
// its own lock; the host may call the menu command and the protocol hook on
// different threads.
#pragma once

#include <optional>
#include <string>

#include "wire/image_id.h"

namespace kvel::images {

// Records an offer; a later offer of the same identity replaces the path.
void AddPendingImage(const ImageId& id, std::string path);
// Removes and returns the path offered under exactly `id`; nothing when the
// identity was never offered or has already been taken.
std::optional<std::string> TakePendingImage(const ImageId& id);
// Forgets every offer.
void ClearPendingImages();

}  // namespace kvel::images
