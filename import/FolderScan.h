#pragma once
// One scan pass over a client's log folder: walks it for transcripts changed since the folder's
// stored timestamp, reads each one the store does not hold unchanged, stores its chat, and stores
// the folder's new timestamp. Runs on the scan thread, inside the transaction of the scan pass.
#include "import/ReadReporter.h"
#include "platform/FileSystem.h"
#include "platform/Value.h"
#include "store/ChatRecord.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class TalvDatabase;

struct FolderScan {
    std::string folder;
    std::vector<std::string_view> extensions;
    std::string kind;                // "iChat", "Adium" or "Fire": the progress records' "Kind"
    std::string readingLine;         // the verbose line before a file is read, "{}" for its path
    bool logsNewerFiles = false;     // "File %@ is newer (%@)" for every file taken (Fire)
};

// Logs what the readers report, as the default does, and notes the files that could not be read.
class ScanReporter : public ReadReporter {
public:
    void failed(const std::filesystem::path& path, std::string_view reason) override;
    // Whether a file failed since the last call.
    bool takeFailure();
    const std::string& lastFailure() const { return lastFailure_; }

private:
    bool failed_ = false;
    std::string lastFailure_;
};

struct FolderScanOutcome {
    int files = 0;                   // files read: a file found unchanged in the store is not counted
    std::int64_t failedReads = 0;    // files that could not be read
    std::int64_t failedWrites = 0;   // chats, or the timestamp, that the store refused
    std::string lastFailure;         // the latest of those failures, "" when none
};

using TranscriptReader = std::function<std::optional<ChatRecord>(const std::filesystem::path&)>;

// Runs `scan` with `read` (whose reader reports to `reporter`). Each file is examined before it is
// read, and its size and date then are stored with its chat. The folder's timestamp moves on only
// when the walk ran to its end and every folder could be listed, and then never past a file that
// could not be read or stored, nor later than shortly before the walk began (a file written during
// the walk, or dated in the future, stays newer than it). A pass stopped by `stopping` keeps the
// old timestamp; what it read stays stored.
FolderScanOutcome scanFolder(const FolderScan& scan, const TranscriptReader& read, ScanReporter& reporter,
                             TalvDatabase& db, const FileSystem& fileSystem,
                             const std::function<void(Value)>& sendProgress, const std::atomic<bool>& stopping);

}  // namespace talv
