#pragma once
// The settings both databases share.
namespace talv {

class FMDatabase;

// "PRAGMA synchronous = OFF;", "PRAGMA temp_store = MEMORY;", "PRAGMA cache_size = 4000;".
void applyConnectionPragmas(FMDatabase& db);
// Puts the file in WAL mode, which stays with the file: readers then never wait for a writer nor
// a writer for readers. False, with a log line, when the file keeps another mode (read-only, or
// a file system without shared memory).
bool useWriteAheadLog(FMDatabase& db);

}  // namespace talv
