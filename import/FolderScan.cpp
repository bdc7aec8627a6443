#include "import/FolderScan.h"

#include "import/TranscriptWalk.h"
#include "platform/CalendarDate.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "store/TalvDatabase.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace fs = std::filesystem;

namespace talv {
namespace {

constexpr double kProgressIntervalSeconds = 0.5;
// The coarsest file-date resolution in use (FAT keeps two seconds): a file changed after the walk
// began may carry a date up to this much earlier.
constexpr double kFileDateResolution = 2.0;

bool verbose() {
    static const bool on = UserDefaults::standard().boolForKey("Verbose", false);
    return on;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Progress of one folder pass: "begin" once, then "progress" at most every half second.
class PassProgress {
public:
    PassProgress(const std::function<void(Value)>& send, std::string kind, std::size_t total)
        : send_(send), kind_(std::move(kind)), total_(static_cast<double>(total)) {
        send_(Value::Dictionary{{"State", "begin"}, {"Kind", kind_}, {"TotalFiles", total_}, {"CurrentFile", 0.0},
                                {"Percent", 0.0}, {"ElapsedTime", 0.0}});
        start_ = last_ = std::chrono::steady_clock::now();
    }

    void beforeFile(int n) {
        total_ = std::max(total_, static_cast<double>(n));  // a file written since the files were counted
        if (secondsSince(last_) < kProgressIntervalSeconds) return;
        last_ = std::chrono::steady_clock::now();
        send_(Value::Dictionary{{"State", "progress"}, {"Kind", kind_}, {"TotalFiles", total_},
                                {"CurrentFile", static_cast<double>(n)},
                                {"Percent", std::floor(n * 100.0 / total_)}, {"ElapsedTime", secondsSince(start_)}});
    }

private:
    const std::function<void(Value)>& send_;
    std::string kind_;
    double total_;
    std::chrono::steady_clock::time_point start_, last_;
};

// The folder's new timestamp: the latest change the walk saw, but not later than shortly before
// it began, and earlier than every file that failed. None when that is not after the epoch.
std::optional<Date> newTimestamp(Date newest, Date walkBegan, std::optional<Date> firstFailure) {
    Date timestamp = std::min(newest, walkBegan.addingSeconds(-kFileDateResolution));
    if (firstFailure) timestamp = std::min(timestamp, Date{std::nextafter(firstFailure->secondsSince1970, -HUGE_VAL)});
    if (timestamp <= kTranscriptEpoch) return std::nullopt;
    return timestamp;
}

}  // namespace

void ScanReporter::failed(const fs::path& path, std::string_view reason) {
    ReadReporter::failed(path, reason);
    failed_ = true;
    lastFailure_ = fmt::format("cannot read {}: {}", path.string(), reason);
}

bool ScanReporter::takeFailure() { return std::exchange(failed_, false); }

FolderScanOutcome scanFolder(const FolderScan& scan, const TranscriptReader& read, ScanReporter& reporter,
                             TalvDatabase& db, const FileSystem& fileSystem,
                             const std::function<void(Value)>& sendProgress, const std::atomic<bool>& stopping) {
    const Date walkBegan = Date::now();
    const TranscriptWalk walk(fileSystem, scan.folder, scan.extensions,
                              db.timestampForDirectory(scan.folder).value_or(kTranscriptEpoch));
    const TranscriptSurvey survey = walk.survey([&](const TranscriptFile& file) {
        if (!scan.logsNewerFiles) return;
        std::error_code ec;
        logf("File {} is newer ({})", fs::relative(file.path, scan.folder, ec).string(),
             CalendarDate(file.attributes.modificationDate).descriptionWithCalendarFormat(CalendarDate::kDefaultFormat));
    });
    PassProgress progress(sendProgress, scan.kind, survey.taken);

    FolderScanOutcome outcome;
    std::optional<Date> firstFailure;
    auto failedFile = [&](const TranscriptFile& file) {
        firstFailure = std::min(firstFailure.value_or(file.attributes.changeDate), file.attributes.changeDate);
    };
    TranscriptWalkEnd end;
    if (survey.taken != 0) end = walk.forEachTaken([&](const TranscriptFile& file) {
        if (stopping) return false;
        const std::string path = file.path.string();
        if (db.containsChatFile(path, file.attributes)) {
            if (verbose()) logf("Ignoring {}...", path);
            return true;
        }
        progress.beforeFile(++outcome.files);
        if (verbose()) logLine(fmt::format(fmt::runtime(scan.readingLine), path));
        auto record = read(file.path);
        if (reporter.takeFailure()) {
            ++outcome.failedReads;
            outcome.lastFailure = reporter.lastFailure();
            failedFile(file);
        } else if (record && !db.addChat(path, record->Kind, record->Participants, record->Messages, record->StartDate,
                                         record->EndDate, record->HasHyperlinks, record->HasPictures,
                                         record->HasEmails, file.attributes)) {
            ++outcome.failedWrites;
            outcome.lastFailure = db.lastWriteError();
            failedFile(file);
        }
        return true;
    });
    if (end.stopped || !survey.complete || !end.complete) return outcome;
    if (auto timestamp = newTimestamp(survey.newest, walkBegan, firstFailure);
        timestamp && !db.setTimestampForDirectory(*timestamp, scan.folder)) {
        ++outcome.failedWrites;
        outcome.lastFailure = db.lastWriteError();
    }
    return outcome;
}

}  // namespace talv
