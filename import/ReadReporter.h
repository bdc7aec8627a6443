#pragma once
// Where a transcript reader tells what it could not read or left out. Readers are given one by
// their caller; the default implementation writes a log line, so tests can collect the reports and
// the scan driver can learn which files failed. Thread: called on the reader's thread.
#include <filesystem>
#include <string_view>

namespace talv {

class ReadReporter {
public:
    virtual ~ReadReporter() = default;

    // The reporter that only logs.
    static ReadReporter& log();

    // `path` could not be read (an I/O error, no permission, not a regular file): no record, and
    // the scan reads it again at a later pass. Logs "Cannot read <path>: <reason>".
    virtual void failed(const std::filesystem::path& path, std::string_view reason);
    // `path` was read but holds no transcript (not text, not XML, no chat in it): no record.
    // Logs "<reason>: <path>".
    virtual void skipped(const std::filesystem::path& path, std::string_view reason);
    // One part of `path` (a malformed message) was left out; the rest is read.
    // Logs "<reason>: <path>".
    virtual void dropped(const std::filesystem::path& path, std::string_view reason);
};

}  // namespace talv
