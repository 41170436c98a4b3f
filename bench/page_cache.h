// Keeps one benchmark run from paying for an earlier one: a file's written
// pages are synced to the disk and then dropped from the page cache, so the
// next run neither waits for their write-back nor finds them cached.
#pragma once

#include <string>

namespace kvel::bench {

// Syncs `path` and drops its pages from the page cache. False, with the
// reason in `why`, when this machine cannot (then every run keeps the cache
// as the earlier ones left it).
bool DropFromPageCache(const std::string& path, std::string* why);

}  // namespace kvel::bench
