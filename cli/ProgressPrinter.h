#pragma once
// Shows the scan driver's progress on standard error in the application's wording: on a
// terminal a bar redrawn in place, elsewhere one line per finished folder pass. Log lines given
// to logLine() are printed above the bar, never through it.
#include "import/ScanProgress.h"
#include "import/TalvHelperController.h"

#include <cstdio>
#include <mutex>
#include <string_view>

namespace talv::cli {

class ProgressPrinter : public ScanProgressReceiver {
public:
    explicit ProgressPrinter(std::FILE* out);
    ~ProgressPrinter() override;
    // Main thread.
    void helperNotificationScan(const Value& record) override;
    // Ends a line drawn in place, so that later output starts on a fresh line.
    void finish();
    // One log line, from any thread: the bar is cleared, the line printed and the bar drawn again.
    void logLine(std::string_view line);

private:
    void drawBar();  // REQUIRES: mutex_ held

    std::mutex mutex_;
    std::FILE* out_;
    bool terminal_;
    bool lineOpen_ = false;  // guarded by mutex_
    ScanProgress progress_;  // guarded by mutex_
};

}  // namespace talv::cli
