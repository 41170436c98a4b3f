// Which files of the image cache may be trusted by their name and size
// alone. An image this side puts in the cache was checked against its size
// and checksum as it was written, so its name and size are enough to know
// it. Files that an earlier version wrote were never checked: each is
// verified once, on a thread of its own so that the host's thread never
// reads a whole image, and a file that does not match its name is removed.
// Once every file has been verified, a marker in the cache directory says
// so, and later runs trust every cache file without reading it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/threads/worker.h"

namespace kvel::images {

// The marker's name in the cache directory.
inline constexpr char kVerifiedMarker[] = "imgcache.verified";
// How long Stop waits for the verifying thread: it looks whether a stop was
// asked after every block it reads.
inline constexpr uint32_t kVerifierStopWaitMs = 1000;

class CacheTrust {
 public:
  // Trusts nothing but the files it puts in place itself until Start.
  CacheTrust();
  ~CacheTrust();  // Stop
  CacheTrust(const CacheTrust&) = delete;
  CacheTrust& operator=(const CacheTrust&) = delete;

  // Looks at the cache `directory` (ending in a separator): with its marker
  // every file is trusted; otherwise a thread starts that verifies each
  // cache file, removes those that do not match their names, and writes the
  // marker once all are done. Once per object.
  void Start(const std::string& directory);
  // Stops the verifying thread, waiting at most `waitMs`; files it did not
  // get to stay untrusted, to be verified by the next run.
  // False when the thread outlived the wait.
  bool Stop(uint32_t waitMs = kVerifierStopWaitMs);

  // True when the cache file `name` may be trusted by its name and size.
  bool Trusted(const std::string& name) const;
  // Puts the checked image at `partPath` in the place of `path`, the cache
  // file `name`, replacing a file there, and trusts it. False when the move
  // failed; the part is then removed.
  bool PutInPlace(const std::string& partPath, const std::string& path, const std::string& name);

  struct State;

 private:
  std::shared_ptr<State> state_;
  bool started_ = false;
  platform::Worker worker_;
};

}  // namespace kvel::images
