#pragma once
// The two floors of a full index over the transcripts home: the readers alone (every transcript
// file the scan passes take, read into chat records, nothing stored) and the store alone (the
// same records written into a fresh database in one transaction, no file read inside the timing).
#include <filesystem>

namespace talv::bench {

// Reports files, bytes, messages, and read_ and write_ seconds (wall) and cpu. `database` is the folder of
// the fresh database; it must not hold one yet. False when the database cannot be opened.
bool measureIndexFloors(const std::filesystem::path& database);

}  // namespace talv::bench
