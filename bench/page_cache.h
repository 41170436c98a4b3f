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

// Syncs the file system that holds `directory`, so that what earlier runs
// left to it (the journal of removed files, and the discards of their
// blocks where it is mounted with them) is done before the next run starts.
bool SyncFileSystem(const std::string& directory, std::string* why);

}  // namespace kvel::bench
